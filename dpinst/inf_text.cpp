#include "dpinst/inf_text.h"

#include <cstdint>

namespace {

char16_t lower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; }

bool blank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

}  // namespace

inf_text_c split_inf_text(const std::string& bytes) {
    inf_text_c text;
    std::u16string units;
    text.utf16 = bytes.size() >= 2 && std::uint8_t(bytes[0]) == 0xFF && std::uint8_t(bytes[1]) == 0xFE &&
                 bytes.size() % 2 == 0;
    if (text.utf16) {
        text.byte_order_mark = bytes.substr(0, 2);
        for (std::size_t i = 2; i < bytes.size(); i += 2)
            units += char16_t(std::uint8_t(bytes[i]) | std::uint8_t(bytes[i + 1]) << 8);
    } else {
        std::size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
        text.byte_order_mark = bytes.substr(0, start);
        for (std::size_t i = start; i < bytes.size(); ++i) units += char16_t(std::uint8_t(bytes[i]));
    }
    std::size_t start = 0;
    while (start < units.size()) {
        std::size_t end = units.find(u'\n', start);
        std::size_t next = end == std::u16string::npos ? units.size() : end + 1;
        text.lines.push_back(units.substr(start, next - start));
        start = next;
    }
    return text;
}

std::string join_inf_text(const inf_text_c& text) {
    std::string bytes = text.byte_order_mark;
    for (const auto& line : text.lines)
        for (char16_t unit : line) {
            bytes += char(unit & 0xFF);
            if (text.utf16) bytes += char(unit >> 8);
        }
    return bytes;
}

std::u16string inf_line_content(const std::u16string& line) {
    std::size_t end = 0;
    bool quoted = false;
    for (; end < line.size(); ++end) {
        if (line[end] == u'"') quoted = !quoted;
        if (!quoted && line[end] == u';') break;
    }
    std::size_t first = 0;
    while (first < end && blank(line[first])) ++first;
    while (end > first && blank(line[end - 1])) --end;
    return line.substr(first, end - first);
}

bool same_inf_name(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

std::u16string inf_units(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }
