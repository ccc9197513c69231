#include "common/inf_values.h"

namespace {

template <typename Char>
bool blank(Char c) {
    return c == Char(' ') || c == Char('\t');
}

template <typename Char>
std::basic_string_view<Char> trimmed(std::basic_string_view<Char> text) {
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// The digit's value in `base` (10 or 16); -1 for a character that is no digit there.
template <typename Char>
int digit_value(Char c, unsigned base) {
    if (c >= Char('0') && c <= Char('9')) return int(c - Char('0'));
    if (base == 16 && c >= Char('a') && c <= Char('f')) return int(c - Char('a')) + 10;
    if (base == 16 && c >= Char('A') && c <= Char('F')) return int(c - Char('A')) + 10;
    return -1;
}

// Digits only (no sign, no blanks) in `base`, at most `most`.
template <typename Char>
std::optional<std::uint32_t> digits_value(std::basic_string_view<Char> text, unsigned base, std::uint32_t most) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (Char c : text) {
        int digit = digit_value(c, base);
        if (digit < 0) return std::nullopt;
        value = value * base + unsigned(digit);
        if (value > most) return std::nullopt;
    }
    return std::uint32_t(value);
}

// Takes a leading "0x" (or "0X") off the text; whether there was one.
template <typename Char>
bool take_hex_prefix(std::basic_string_view<Char>& text) {
    if (text.size() < 2 || text[0] != Char('0') || (text[1] != Char('x') && text[1] != Char('X'))) return false;
    text.remove_prefix(2);
    return true;
}

template <typename Char>
std::optional<std::uint8_t> feature_score(std::basic_string_view<Char> text) {
    text = trimmed(text);
    take_hex_prefix(text);
    std::optional<std::uint32_t> value = digits_value(text, 16, 0xFF);
    if (!value) return std::nullopt;
    return std::uint8_t(*value);
}

bool leap_year(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in_month(int month, int year) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leap_year(year) ? 29 : days[month - 1];
}

template <typename Char>
bool is_separator(Char c, std::string_view separators) {
    for (char separator : separators)
        if (c == Char(separator)) return true;
    return false;
}

template <typename Char>
std::optional<inf_date_c> month_day_year(std::basic_string_view<Char> text, std::string_view separators) {
    std::size_t first = 0;
    while (first < text.size() && !is_separator(text[first], separators)) ++first;
    if (first == text.size()) return std::nullopt;
    std::size_t second = text.find(text[first], first + 1);
    if (second == std::basic_string_view<Char>::npos) return std::nullopt;
    std::optional<std::uint32_t> month = digits_value(trimmed(text.substr(0, first)), 10, 99);
    std::optional<std::uint32_t> day = digits_value(trimmed(text.substr(first + 1, second - first - 1)), 10, 99);
    std::optional<std::uint32_t> year = digits_value(trimmed(text.substr(second + 1)), 10, 9999);
    if (!month || !day || !year) return std::nullopt;
    return inf_date_c{int(*year), int(*month), int(*day)};
}

template <typename Char>
std::optional<driver_version_parts_c> driver_version(std::basic_string_view<Char> text) {
    text = trimmed(text);
    driver_version_parts_c parts{};
    if (text.empty()) return parts;
    for (std::uint16_t& part : parts) {
        std::size_t dot = text.find(Char('.'));
        std::optional<std::uint32_t> value = digits_value(trimmed(text.substr(0, dot)), 10, 65535);
        if (!value) return std::nullopt;
        part = std::uint16_t(*value);
        if (dot == std::basic_string_view<Char>::npos) return parts;
        text.remove_prefix(dot + 1);
    }
    return std::nullopt;  // a fifth part
}

template <typename Char>
std::optional<std::uint32_t> inf_number(std::basic_string_view<Char> text) {
    text = trimmed(text);
    bool hex = take_hex_prefix(text);
    return digits_value(text, hex ? 16 : 10, 0xFFFFFFFFu);
}

}  // namespace

std::optional<std::uint8_t> read_feature_score(std::string_view text) { return feature_score(text); }
std::optional<std::uint8_t> read_feature_score(std::wstring_view text) { return feature_score(text); }

std::optional<inf_date_c> read_month_day_year(std::string_view text, std::string_view separators) {
    return month_day_year(text, separators);
}
std::optional<inf_date_c> read_month_day_year(std::wstring_view text, std::string_view separators) {
    return month_day_year(text, separators);
}

bool is_calendar_date(const inf_date_c& date) {
    return date.month >= 1 && date.month <= 12 && date.year >= 1 && date.year <= 9999 && date.day >= 1 &&
           date.day <= days_in_month(date.month, date.year);
}

std::optional<driver_version_parts_c> read_driver_version(std::string_view text) { return driver_version(text); }
std::optional<driver_version_parts_c> read_driver_version(std::wstring_view text) { return driver_version(text); }

std::optional<std::uint32_t> read_inf_number(std::string_view text) { return inf_number(text); }
std::optional<std::uint32_t> read_inf_number(std::wstring_view text) { return inf_number(text); }
