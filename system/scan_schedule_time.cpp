#include "system/scan_schedule_time.h"

#include <cwchar>

namespace {

bool is_leap_year(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in_month(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && is_leap_year(year)) return 29;
    return days[(month - 1) % 12];
}

}  // namespace

bool operator==(const local_minute_c& left, const local_minute_c& right) {
    return left.year == right.year && left.month == right.month && left.day == right.day &&
           left.hour == right.hour && left.minute == right.minute && left.weekday == right.weekday;
}

local_minute_c one_minute_later(const local_minute_c& now) {
    local_minute_c next = now;
    if (++next.minute < 60) return next;
    next.minute = 0;
    if (++next.hour < 24) return next;
    next.hour = 0;
    next.weekday = (next.weekday + 1) % 7;
    if (++next.day <= days_in_month(next.year, next.month)) return next;
    next.day = 1;
    if (++next.month <= 12) return next;
    next.month = 1;
    ++next.year;
    return next;
}

weekly_start_c weekly_start_after(const local_minute_c& now) {
    weekly_start_c start;
    start.first_run = one_minute_later(now);
    start.days_of_week = std::uint16_t(1u << start.first_run.weekday);
    return start;
}

std::wstring start_boundary_text(const local_minute_c& minute) {
    wchar_t text[40] = {};
    std::swprintf(text, 40, L"%04d-%02d-%02dT%02d:%02d:00", minute.year, minute.month, minute.day, minute.hour,
                  minute.minute);
    return text;
}
