#include "common/text_convert.h"

#include "common/iconv_handle.h"

#include <atomic>
#include <cerrno>
#include <string>

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

// Converts in_size bytes; an input unit iconv cannot take is replaced and skipped.
std::string convert(const std::string& to, const std::string& from, const char* input, std::size_t in_size,
                    std::size_t input_unit, std::string_view replacement) {
    std::string out;
    iconv_handle_c cd(to.c_str(), from.c_str());
    if (!cd.valid() || in_size == 0) return out;
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

const std::string replacement_wchar() {
    wchar_t c = 0xFFFD;
    return std::string(reinterpret_cast<const char*>(&c), sizeof c);
}

}  // namespace

std::wstring utf8_to_wide(std::string_view text) {
    return bytes_to_wide(convert("WCHAR_T", "UTF-8", text.data(), text.size(), 1, replacement_wchar()));
}

std::string wide_to_utf8(std::wstring_view text) {
    return convert("UTF-8", "WCHAR_T", reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t),
                   sizeof(wchar_t), "\xEF\xBF\xBD");
}

std::wstring ansi_to_wide(std::string_view text) {
    return bytes_to_wide(convert("WCHAR_T", iconv_name(ansi_code_page()), text.data(), text.size(), 1,
                                 replacement_wchar()));
}

std::string wide_to_ansi(std::wstring_view text) {
    return convert(iconv_name(ansi_code_page()), "WCHAR_T", reinterpret_cast<const char*>(text.data()),
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
