#include "server/inf/code_page_decoder.h"

#include "common/iconv_handle.h"
#include "server/inf/utf8_text.h"

#include <cerrno>

namespace {

// 0x80 to 0x9F of Windows-1252; Windows gives the five bytes it leaves undefined their C1 code
// points. 0xA0 to 0xFF are ISO 8859-1.
constexpr char16_t windows_1252_high[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::string windows_1252_to_utf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char c : bytes) {
        auto byte = static_cast<unsigned char>(c);
        append_utf8(out, byte >= 0x80 && byte < 0xA0 ? windows_1252_high[byte - 0x80] : byte);
    }
    return out;
}

bool iconv_to_utf8(iconv_t cd, std::string_view bytes, std::string& out) {
    char* in = const_cast<char*>(bytes.data());
    std::size_t in_left = bytes.size();
    char chunk[4096];
    while (in_left > 0) {
        char* out_at = chunk;
        std::size_t out_left = sizeof chunk;
        std::size_t result = iconv(cd, &in, &in_left, &out_at, &out_left);
        out.append(chunk, sizeof chunk - out_left);
        if (result != std::size_t(-1)) break;
        if (errno == E2BIG) continue;
        if (errno != EILSEQ && errno != EINVAL) return false;
        // An undefined byte, or a lead byte without its trail at the end.
        append_utf8(out, 0xFFFD);
        ++in;
        --in_left;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    // 1258 holds the last letter back in case a combining mark follows: flush it.
    char* out_at = chunk;
    std::size_t out_left = sizeof chunk;
    iconv(cd, nullptr, nullptr, &out_at, &out_left);
    out.append(chunk, sizeof chunk - out_left);
    return true;
}

}  // namespace

code_page_decoder_c::code_page_decoder_c(unsigned code_page) : code_page_(code_page) {}

std::string code_page_decoder_c::to_utf8(std::string_view bytes) {
    if (is_ascii(bytes)) return std::string(bytes);
    if (code_page_ != 1252 && !iconv_) iconv_ = std::make_unique<iconv_handle_c>("UTF-8", ("CP" + std::to_string(code_page_)).c_str());
    if (code_page_ != 1252 && iconv_->valid()) {
        std::string out;
        if (iconv_to_utf8(iconv_->get(), bytes, out)) return out;
        iconv(iconv_->get(), nullptr, nullptr, nullptr, nullptr);
    }
    return windows_1252_to_utf8(bytes);
}

std::string code_page_text_to_utf8(std::string_view bytes, unsigned code_page) {
    return code_page_decoder_c(code_page).to_utf8(bytes);
}

std::string utf8_or_windows_1252(std::string_view text) {
    return is_well_formed_utf8(text) ? std::string(text) : windows_1252_to_utf8(text);
}
