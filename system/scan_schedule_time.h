// When the weekly scheduled scan starts: one minute after the moment the user switched it on,
// every week on that weekday. Portable arithmetic over a local time that the caller reads.
#pragma once

#include <cstdint>
#include <string>

// A local wall-clock minute. month 1..12, day 1..31, hour 0..23, minute 0..59,
// weekday 0 = Sunday .. 6 = Saturday.
struct local_minute_c {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int weekday = 0;
};

bool operator==(const local_minute_c& left, const local_minute_c& right);

// The same clock one minute later: the minute carries into the hour, the day (with its
// weekday), the month and the year, so that 23:59 on 31 December is 00:00 on 1 January.
local_minute_c one_minute_later(const local_minute_c& now);

// The weekly trigger's start: begin date, start hour and minute, and the days-of-week bit
// (bit 0 = Sunday .. bit 6 = Saturday) of the minute after now.
struct weekly_start_c {
    local_minute_c first_run;
    std::uint16_t days_of_week = 0;
};

weekly_start_c weekly_start_after(const local_minute_c& now);

// The minute as the Task Scheduler writes a local start time: "YYYY-MM-DDTHH:MM:00".
std::wstring start_boundary_text(const local_minute_c& minute);
