#include "common/hex_text.h"

#include <cwchar>

int hex_digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string hex_text(const std::uint8_t* bytes, std::size_t count) {
    static const char digits[] = "0123456789abcdef";
    std::string text(count * 2, '0');
    for (std::size_t i = 0; i < count; ++i) {
        text[2 * i] = digits[bytes[i] >> 4];
        text[2 * i + 1] = digits[bytes[i] & 0xF];
    }
    return text;
}

bool bytes_from_hex(std::string_view text, std::uint8_t* out, std::size_t count) {
    if (text.size() != count * 2) return false;
    for (std::size_t i = 0; i < count; ++i) {
        const int high = hex_digit_value(text[2 * i]);
        const int low = hex_digit_value(text[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        out[i] = std::uint8_t(high << 4 | low);
    }
    return true;
}

bool bytes_from_hex_text(std::string_view text, std::uint8_t* out, std::size_t count) {
    const char* blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return false;
    return bytes_from_hex(text.substr(first, text.find_last_not_of(blanks) - first + 1), out, count);
}

void append_percent_escaped(std::string& out, unsigned char byte) {
    static const char digits[] = "0123456789ABCDEF";
    out += '%';
    out += digits[byte >> 4];
    out += digits[byte & 0xF];
}

std::string percent_decoded(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex_digit_value(text[i + 1]) >= 0 && hex_digit_value(text[i + 2]) >= 0) {
            out += char(hex_digit_value(text[i + 1]) << 4 | hex_digit_value(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::wstring hex_code(std::uint32_t code) {
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08X", unsigned(code));
    return text;
}
