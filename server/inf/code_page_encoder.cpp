#include "server/inf/code_page_encoder.h"

#include "common/iconv_handle.h"
#include "server/inf/utf8_text.h"
#include "server/inf/windows_code_pages.h"

#include <array>
#include <memory>
#include <mutex>

namespace {

// Windows-1252 first: the fallback for any other number.
constexpr std::array<unsigned, 15> supported{1252, 1250, 1251, 1253, 1254, 1255, 1256, 1257, 1258,
                                             874,  932,  936,  949,  950,  utf8_code_page};

struct slot_c {
    std::once_flag built;
    std::unique_ptr<code_page_encoder_c> encoder;
};

}  // namespace

code_page_encoder_c::code_page_encoder_c(unsigned code_page) : code_page_(code_page), bytes_(0x10000, 0) {
    for (unsigned c = 1; c < 0x80; ++c) bytes_[c] = std::uint16_t(c);
    if (code_page == utf8_code_page) return;  // no table: every character is kept
    iconv_handle_c cd(("CP" + std::to_string(code_page)).c_str(), "UTF-32LE");
    if (!cd.valid()) return;
    for (std::uint32_t c = 0x80; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        char in[4] = {char(c & 0xFF), char(c >> 8), 0, 0}, out[8] = {};
        char *in_at = in, *out_at = out;
        std::size_t in_left = sizeof in, out_left = sizeof out;
        bool converted = iconv(cd.get(), &in_at, &in_left, &out_at, &out_left) != std::size_t(-1);
        // 1258 holds a letter back until it knows whether a combining mark follows: flush it.
        converted = converted && iconv(cd.get(), nullptr, nullptr, &out_at, &out_left) != std::size_t(-1);
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        std::size_t length = sizeof out - out_left;
        auto first = static_cast<unsigned char>(out[0]), second = static_cast<unsigned char>(out[1]);
        if (!converted) continue;
        // A character beyond ASCII never becomes a lone ASCII byte (that would be a best-fit
        // guess, which Windows gives only when asked) nor includes a byte below 0x40, so that the
        // result never holds markup characters.
        if (length == 1 && first >= 0x80) bytes_[c] = first;
        if (length == 2 && first >= 0x40 && second >= 0x40) bytes_[c] = std::uint16_t(first << 8 | second);
    }
}

const code_page_encoder_c& code_page_encoder_c::for_code_page(unsigned code_page) {
    static std::array<slot_c, supported.size()> slots;
    std::size_t index = 0;
    for (std::size_t i = 0; i < supported.size(); ++i)
        if (supported[i] == code_page) index = i;
    slot_c& slot = slots[index];
    std::call_once(slot.built, [&] { slot.encoder.reset(new code_page_encoder_c(supported[index])); });
    return *slot.encoder;
}

void code_page_encoder_c::append_character(std::string& out, char32_t character) const {
    if (code_page_ == utf8_code_page) {
        if (character == 0 || (character >= 0xD800 && character <= 0xDFFF) || character > 0x10FFFF)
            out += '?';
        else
            append_utf8(out, character);
        return;
    }
    std::uint16_t bytes = character < bytes_.size() ? bytes_[character] : 0;
    if (bytes == 0) {
        out += '?';
    } else if (bytes < 0x100) {
        out += char(bytes);
    } else {
        out += char(bytes >> 8);
        out += char(bytes & 0xFF);
    }
}

void code_page_encoder_c::append(std::string& out, std::string_view utf8) const {
    std::size_t at = 0;
    while (at < utf8.size()) {
        if (static_cast<unsigned char>(utf8[at]) < 0x80) {
            out += utf8[at++];
            continue;
        }
        char32_t character = 0;
        if (next_utf8_character(utf8, at, character)) {
            append_character(out, character);
        } else {
            out += '?';
        }
    }
}
