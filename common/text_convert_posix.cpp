#include "common/text_convert.h"

#include "common/iconv_handle.h"

#include <atomic>
#include <cerrno>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace {

std::atomic<unsigned> emulated_code_page{1252};

std::string iconv_name(unsigned code_page) {
    if (code_page == 65001) return "UTF-8";
    if (code_page == 932) return "CP932";
    if (code_page == 936) return "CP936";
    if (code_page == 949) return "CP949";
    if (code_page == 950) return "CP950";
    return "CP" + std::to_string(code_page);
}

// The calling thread's converter between two encodings, in its initial state. Opening one loads
// its tables, which costs far more than converting a short text: each thread keeps the few it has
// used (UTF-8, the ANSI and the OEM code page, each way) until it ends.
const iconv_handle_c& converter(const std::string& to, const std::string& from) {
    struct kept_c {
        std::string to, from;
        std::unique_ptr<iconv_handle_c> handle;
    };
    thread_local std::vector<kept_c> kept;
    for (const kept_c& one : kept) {
        if (one.to != to || one.from != from) continue;
        if (one.handle->valid()) iconv(one.handle->get(), nullptr, nullptr, nullptr, nullptr);
        return *one.handle;
    }
    kept.push_back({to, from, std::make_unique<iconv_handle_c>(to.c_str(), from.c_str())});
    return *kept.back().handle;
}

// Converts in_size bytes; an input unit iconv cannot take is replaced and skipped.
std::string convert(const std::string& to, const std::string& from, const char* input, std::size_t in_size,
                    std::size_t input_unit, std::string_view replacement) {
    std::string out;
    if (in_size == 0) return out;
    const iconv_handle_c& cd = converter(to, from);
    if (!cd.valid()) return out;
    char* in = const_cast<char*>(input);
    char chunk[4096];
    while (in_size > 0) {
        char* out_ptr = chunk;
        std::size_t out_left = sizeof chunk;
        std::size_t result = iconv(cd.get(), &in, &in_size, &out_ptr, &out_left);
        out.append(chunk, sizeof chunk - out_left);
        if (result != std::size_t(-1)) break;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL (cut short at the end): replace one unit and go on.
        out.append(replacement);
        std::size_t skip = input_unit < in_size ? input_unit : in_size;
        in += skip;
        in_size -= skip;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

std::wstring bytes_to_wide(const std::string& bytes) {
    std::wstring wide(bytes.size() / sizeof(wchar_t), L'\0');
    for (std::size_t i = 0; i < wide.size(); ++i) {
        wchar_t c;
        __builtin_memcpy(&c, bytes.data() + i * sizeof(wchar_t), sizeof c);
        wide[i] = c;
    }
    return wide;
}

// Most texts are ASCII, which UTF-8 and the ANSI code pages of Windows keep as it is: those are
// copied unit by unit, without the converter. Code page 1258 is left to iconv, which composes
// its characters and so may hold the last one back.
bool keeps_ascii(unsigned code_page) {
    switch (code_page) {
    case 874: case 932: case 936: case 949: case 950: case 1250: case 1251: case 1252: case 1253: case 1254:
    case 1255: case 1256: case 1257: case 65001:
        return true;
    default:
        return false;
    }
}

template <typename Char>
bool all_ascii(std::basic_string_view<Char> text) {
    for (Char c : text)
        if (static_cast<std::make_unsigned_t<Char>>(c) >= 0x80) return false;
    return true;
}

const std::string replacement_wchar() {
    wchar_t c = 0xFFFD;
    return std::string(reinterpret_cast<const char*>(&c), sizeof c);
}

}  // namespace

std::wstring utf8_to_wide(std::string_view text) {
    if (all_ascii(text)) return std::wstring(text.begin(), text.end());
    return bytes_to_wide(convert("WCHAR_T", "UTF-8", text.data(), text.size(), 1, replacement_wchar()));
}

std::string wide_to_utf8(std::wstring_view text) {
    if (all_ascii(text)) return std::string(text.begin(), text.end());
    return convert("UTF-8", "WCHAR_T", reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t),
                   sizeof(wchar_t), "\xEF\xBF\xBD");
}

std::wstring ansi_to_wide(std::string_view text) {
    const unsigned code_page = ansi_code_page();
    if (keeps_ascii(code_page) && all_ascii(text)) return std::wstring(text.begin(), text.end());
    return bytes_to_wide(convert("WCHAR_T", iconv_name(code_page), text.data(), text.size(), 1,
                                 replacement_wchar()));
}

std::string wide_to_ansi(std::wstring_view text) {
    const unsigned code_page = ansi_code_page();
    if (keeps_ascii(code_page) && all_ascii(text)) return std::string(text.begin(), text.end());
    return convert(iconv_name(code_page), "WCHAR_T", reinterpret_cast<const char*>(text.data()),
                   text.size() * sizeof(wchar_t), sizeof(wchar_t), "?");
}

std::wstring oem_to_wide(std::string_view text) {
    return bytes_to_wide(convert("WCHAR_T", iconv_name(437), text.data(), text.size(), 1, replacement_wchar()));
}

unsigned ansi_code_page() { return emulated_code_page.load(std::memory_order_relaxed); }

bool set_ansi_code_page(unsigned code_page) {
    iconv_handle_c probe("WCHAR_T", iconv_name(code_page).c_str());
    if (!probe.valid()) return false;
    emulated_code_page.store(code_page, std::memory_order_relaxed);
    return true;
}
