#include "tools/dpinst/legacy_inf.h"

#include <cstdint>
#include <cstring>

namespace {

template <typename Char>
bool is_space(Char c) {
    return c == Char(' ') || c == Char('\t');
}

template <typename Char>
Char lower(Char c) {
    return c >= Char('A') && c <= Char('Z') ? Char(c - Char('A') + Char('a')) : c;
}

// "CatalogFile" or "CatalogFile.<anything>" before "=", ignoring case and surrounding blanks.
template <typename Char>
bool names_catalog(const std::basic_string<Char>& line) {
    std::size_t i = 0;
    while (i < line.size() && is_space(line[i])) ++i;
    const char* word = "catalogfile";
    for (std::size_t k = 0; word[k]; ++k, ++i)
        if (i >= line.size() || lower(line[i]) != Char(word[k])) return false;
    if (i < line.size() && line[i] == Char('.'))
        while (i < line.size() && line[i] != Char('=') && !is_space(line[i])) ++i;
    while (i < line.size() && is_space(line[i])) ++i;
    return i < line.size() && line[i] == Char('=');
}

template <typename Char>
std::basic_string<Char> without_catalog_lines(const std::basic_string<Char>& text) {
    std::basic_string<Char> result;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(Char('\n'), start);
        std::size_t next = end == std::basic_string<Char>::npos ? text.size() : end + 1;
        std::basic_string<Char> line = text.substr(start, next - start);
        if (!names_catalog(line)) result += line;
        start = next;
    }
    return result;
}

}  // namespace

std::string inf_without_catalog(const std::string& bytes) {
    if (bytes.size() >= 2 && std::uint8_t(bytes[0]) == 0xFF && std::uint8_t(bytes[1]) == 0xFE && bytes.size() % 2 == 0) {
        std::u16string text(bytes.size() / 2, u'\0');
        for (std::size_t i = 0; i < text.size(); ++i)
            text[i] = char16_t(std::uint8_t(bytes[2 * i]) | std::uint8_t(bytes[2 * i + 1]) << 8);
        std::u16string kept = without_catalog_lines(text);
        std::string out(kept.size() * 2, '\0');
        for (std::size_t i = 0; i < kept.size(); ++i) {
            out[2 * i] = char(kept[i] & 0xFF);
            out[2 * i + 1] = char(kept[i] >> 8);
        }
        return out;
    }
    return without_catalog_lines(bytes);
}
