#include "tools/dpinst/driver_version.h"

#include <cwctype>
#include <tuple>

namespace {

// Reads digits at position; false when there are none or the number passes the limit.
bool read_number(const std::wstring& text, std::size_t& position, unsigned long limit, unsigned long& value) {
    std::size_t start = position;
    value = 0;
    while (position < text.size() && std::iswdigit(std::wint_t(text[position]))) {
        value = value * 10 + unsigned(text[position] - L'0');
        if (value > limit) return false;
        ++position;
    }
    return position > start;
}

bool leap_year(unsigned long year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned long days_in_month(unsigned long month, unsigned long year) {
    static const unsigned long days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leap_year(year) ? 29 : days[month - 1];
}

auto key(const driver_version_c& v) { return std::make_tuple(v.year, v.month, v.day, v.parts); }

}  // namespace

bool parse_driver_date(const std::wstring& text, driver_version_c& version) {
    std::size_t position = 0;
    unsigned long month = 0, day = 0, year = 0;
    if (!read_number(text, position, 99, month) || position >= text.size()) return false;
    wchar_t separator = text[position];
    if (separator != L'/' && separator != L'-') return false;
    ++position;
    if (!read_number(text, position, 99, day) || position >= text.size() || text[position] != separator) return false;
    ++position;
    if (!read_number(text, position, 9999, year) || position != text.size()) return false;
    if (month < 1 || month > 12 || year < 1 || day < 1 || day > days_in_month(month, year)) return false;
    version.year = int(year);
    version.month = int(month);
    version.day = int(day);
    return true;
}

bool parse_driver_version_number(const std::wstring& text, driver_version_c& version) {
    std::array<std::uint16_t, 4> parts{};
    std::size_t position = 0;
    for (std::size_t i = 0; i < parts.size() && position < text.size(); ++i) {
        if (i > 0) {
            if (text[position] != L'.') return false;
            ++position;
        }
        unsigned long value = 0;
        if (!read_number(text, position, 65535, value)) return false;
        parts[i] = std::uint16_t(value);
    }
    if (position != text.size()) return false;
    version.parts = parts;
    return true;
}

bool newer_than(const driver_version_c& a, const driver_version_c& b) { return key(a) > key(b); }

bool same_date_and_version(const driver_version_c& a, const driver_version_c& b) { return key(a) == key(b); }

std::wstring driver_key_date(const driver_version_c& version) {
    return std::to_wstring(version.month) + L"-" + std::to_wstring(version.day) + L"-" + std::to_wstring(version.year);
}

std::wstring driver_version_text(const driver_version_c& version) {
    std::wstring text;
    for (std::size_t i = 0; i < version.parts.size(); ++i) {
        if (i > 0) text += L'.';
        text += std::to_wstring(version.parts[i]);
    }
    return text;
}
