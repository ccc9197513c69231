// The numbers and dates of INF files as Windows reads them, for every reader of INF values: the
// update server's catalog, the program's driver ranking and models choice, and the driver
// package installer. Each reader takes narrow text (the server's UTF-8) or wide text (SetupAPI's
// and the registry's UTF-16); spaces and tabs around the value, and around each of its numbers,
// are passed over.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

// FeatureScore: one byte in hexadecimal, with or without "0x" ("80" is 0x80, "F9" is 0xF9);
// nothing for anything else ("100", "0x", "xyz", an empty value).
std::optional<std::uint8_t> read_feature_score(std::string_view text);
std::optional<std::uint8_t> read_feature_score(std::wstring_view text);

struct inf_date_c {
    int year = 0;
    int month = 0;
    int day = 0;
};

// A date written month, day, year, as DriverVer writes it with "/" ("03/20/2019") and a driver
// key's DriverDate with "-" ("3-20-2019"): three numbers (month and day up to 99, the year up to
// 9999) with one of `separators` between them, the same one in both places. Nothing for anything
// else; whether the calendar has that day is is_calendar_date's to say.
std::optional<inf_date_c> read_month_day_year(std::string_view text, std::string_view separators);
std::optional<inf_date_c> read_month_day_year(std::wstring_view text, std::string_view separators);

// Months 1 to 12, the days each month has (leap years included), years 1 to 9999.
bool is_calendar_date(const inf_date_c& date);

// DriverVer's version "w.x.y.z": up to four numbers of at most 65535 separated by dots, missing
// ones 0; an empty value is 0.0.0.0.
using driver_version_parts_c = std::array<std::uint16_t, 4>;
std::optional<driver_version_parts_c> read_driver_version(std::string_view text);
std::optional<driver_version_parts_c> read_driver_version(std::wstring_view text);

// A number field of a models section's decoration (NTamd64.10.0.0x1...17763): decimal, or
// hexadecimal after "0x", at most 0xFFFFFFFF; nothing for anything else, an empty field included.
std::optional<std::uint32_t> read_inf_number(std::string_view text);
std::optional<std::uint32_t> read_inf_number(std::wstring_view text);
