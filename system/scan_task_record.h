// The weekly scan's scheduled task as read back from either Task Scheduler: its command,
// account, settings and first trigger, in plain values.
#pragma once

#include <cstdint>
#include <string>

// The Task Scheduler 1.0 work item's name: the one machine-wide item of earlier versions, and
// this version's item where Task Scheduler 2.0 is missing (before Vista).
constexpr const wchar_t* scan_task_item_name = L"Vantorel";
constexpr const wchar_t* scan_task_comment = L"Vantorel automatically scan, keep your drivers up to date.";

struct scan_trigger_record_c {
    bool weekly = false;
    std::wstring start_boundary;     // local time, "YYYY-MM-DDTHH:MM:SS"
    int weeks_interval = 0;
    std::uint16_t days_of_week = 0;  // bit 0 = Sunday .. bit 6 = Saturday
    bool enabled = false;
};

struct scan_task_record_c {
    int scheduler = 0;  // 2: a Task Scheduler 2.0 task; 1: a 1.0 work item
    std::wstring path;  // the task's path, or the work item's name
    std::wstring application;
    std::wstring parameters;
    std::wstring comment;
    std::wstring account;  // empty when the scheduler cannot tell
    // As Task Scheduler 2.0 numbers logon types: 3, the interactive token, runs the task only
    // while the user is logged on, in the user's session (a 1.0 item that runs only then is
    // given 3 as well, other 1.0 items 1).
    int logon_type = 0;
    bool disallow_start_on_batteries = true;
    bool stop_going_on_batteries = true;
    std::wstring execution_time_limit;  // ISO 8601; "PT0S": none
    bool start_when_available = false;
    // The schedule is on: for a 2.0 task the task itself is enabled (its first trigger may be
    // switched off apart), for a 1.0 item its first trigger.
    bool enabled = false;
    int trigger_count = 0;
    scan_trigger_record_c first_trigger;  // empty when there is no trigger
};
