#include "common/catalog_statement.h"

#include "common/hex_text.h"
#include "common/package_statement.h"

#include <cstdio>

namespace {

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar, and back (H. Hinnant).
std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + std::int64_t(doe) - 719468;
}

void civil_from_days(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = std::int64_t(yoe) + era * 400 + (m <= 2);
}

bool digits(std::string_view text, std::size_t at, std::size_t count, unsigned& value) {
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + unsigned(text[i] - '0');
    }
    return true;
}

bool kept_as_is(unsigned char c) {
    return c > 0x20 && c < 0x7F && c != '%' && c != '<' && c != '>' && c != '&' && c != '"' && c != '\'';
}

}  // namespace

std::string catalog_statement(const catalog_claim_c& claim) {
    std::string out = "vantorel catalog statement 1\n";
    append_statement_line(out, "serial", std::to_string(claim.serial));
    append_statement_line(out, "expires", utc_moment_text(claim.expires));
    for (const withdrawn_package_c& package : claim.withdrawn)
        append_statement_line(out, "withdrawn", digest_hex(package.sha256) + " " + condensed_text(package.reason));
    return out;
}

std::string utc_moment_text(std::int64_t seconds) {
    if (seconds < 0) seconds = 0;
    std::int64_t year = 0;
    unsigned month = 0, day = 0;
    civil_from_days(seconds / 86400, year, month, day);
    const std::int64_t in_day = seconds % 86400;
    char text[40];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02d:%02d:%02dZ", static_cast<long long>(year), month, day,
                  int(in_day / 3600), int(in_day / 60 % 60), int(in_day % 60));
    return text;
}

std::optional<std::int64_t> utc_moment_from_text(std::string_view text) {
    // Exactly YYYY-MM-DDTHH:MM:SSZ.
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':' ||
        text[19] != 'Z')
        return std::nullopt;
    unsigned year, month, day, hour, minute, second;
    if (!digits(text, 0, 4, year) || !digits(text, 5, 2, month) || !digits(text, 8, 2, day) || !digits(text, 11, 2, hour) ||
        !digits(text, 14, 2, minute) || !digits(text, 17, 2, second))
        return std::nullopt;
    if (year < 1970 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    const std::int64_t days = days_from_civil(year, month, day);
    // 2021-02-30 and the like are no dates.
    std::int64_t y = 0;
    unsigned m = 0, d = 0;
    civil_from_days(days, y, m, d);
    if (unsigned(y) != year || m != month || d != day) return std::nullopt;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

std::string escaped_reason(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        if (kept_as_is(static_cast<unsigned char>(c))) out += c;
        else append_percent_escaped(out, static_cast<unsigned char>(c));
    }
    return out;
}

std::string reason_from_escaped(std::string_view escaped) { return percent_decoded(escaped); }
