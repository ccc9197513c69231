// A driver's date and version, as a package's DriverVer gives them ("MM/DD/YYYY" and "w.x.y.z")
// and as a driver key keeps them ("DriverDate" as "M-D-YYYY", "DriverVersion"). A package is
// newer than an installed driver by date, or by version when the dates are equal.
#pragma once

#include <array>
#include <cstdint>
#include <string>

struct driver_version_c {
    int year = 0;
    int month = 0;
    int day = 0;
    std::array<std::uint16_t, 4> parts{};  // missing parts are 0
};

// A date written month, day, year with "/" or "-" between, and a version of up to four
// dot-separated numbers (empty is 0.0.0.0), read as common/inf_values.h reads them; false for
// anything else or an impossible date.
bool parse_driver_date(const std::wstring& text, driver_version_c& version);
bool parse_driver_version_number(const std::wstring& text, driver_version_c& version);

bool newer_than(const driver_version_c& a, const driver_version_c& b);
bool same_date_and_version(const driver_version_c& a, const driver_version_c& b);

std::wstring driver_key_date(const driver_version_c& version);  // "M-D-YYYY"
std::wstring driver_version_text(const driver_version_c& version);  // "w.x.y.z"
