#include "dpinst/driver_version.h"

#include "common/inf_values.h"

#include <tuple>

namespace {

auto key(const driver_version_c& v) { return std::make_tuple(v.year, v.month, v.day, v.parts); }

}  // namespace

bool parse_driver_date(const std::wstring& text, driver_version_c& version) {
    std::optional<inf_date_c> date = read_month_day_year(text, "/-");
    if (!date || !is_calendar_date(*date)) return false;
    version.year = date->year;
    version.month = date->month;
    version.day = date->day;
    return true;
}

bool parse_driver_version_number(const std::wstring& text, driver_version_c& version) {
    std::optional<driver_version_parts_c> parts = read_driver_version(text);
    if (!parts) return false;
    version.parts = *parts;
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
