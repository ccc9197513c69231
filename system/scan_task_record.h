// The weekly scan's Task Scheduler work item as read back: its command, account and first
// trigger, in plain values.
#pragma once

#include <cstdint>
#include <string>

// The work item's name; other names serve tests that must not disturb the real item.
constexpr const wchar_t* scan_task_name = L"Vantorel";
constexpr const wchar_t* scan_task_comment = L"Vantorel automatically scan, keep your drivers up to date.";

struct scan_trigger_record_c {
    int begin_year = 0;
    int begin_month = 0;
    int begin_day = 0;
    int start_hour = 0;
    int start_minute = 0;
    std::uint32_t type = 0;  // TASK_TIME_TRIGGER_WEEKLY is 2
    int weeks_interval = 0;
    std::uint16_t days_of_week = 0;  // bit 0 = Sunday .. bit 6 = Saturday
    std::uint32_t flags = 0;         // TASK_TRIGGER_FLAG_DISABLED is 4
    bool disabled() const { return (flags & 4u) != 0; }
};

struct scan_task_record_c {
    std::wstring application;
    std::wstring parameters;
    std::wstring comment;
    std::wstring account;  // empty when the scheduler cannot tell
    std::uint32_t flags = 0;
    int trigger_count = 0;
    scan_trigger_record_c first_trigger;  // zero when there is no trigger
};
