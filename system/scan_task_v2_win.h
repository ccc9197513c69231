// The weekly scan as a Task Scheduler 2.0 task (Vista and later): a task of the current user,
// started with the user's own token only while the user is logged on, never stopped by a battery
// or a time limit, started late when its time passed while the computer was off, on a weekly
// trigger. Registered and read back as task XML, which Windows keeps whole (Wine 8 keeps only
// the registration info and the settings: docs/wine.md). Each call connects to the scheduler on the calling thread (which must have COM) and
// releases every interface before it returns; failures are false, never exceptions.
#pragma once

#include "system/scan_schedule_time.h"
#include "system/scan_task_record.h"

#include <windows.h>

#include <optional>
#include <string>

// True when the Task Scheduler 2.0 service answers.
bool task_scheduler_2_available();

// Registers the task at path ("\name", in the top folder) for the current user, as a task XML
// (scan_task_xml.h): application, "--autorun", comment, and one weekly trigger starting the
// minute after now. False on any failure, and when a task of that path exists already (which is
// left as it is).
bool create_scan_task_v2(const std::wstring& path, const std::wstring& application, const local_minute_c& now);

// Enables or disables the existing task as a whole and registers its definition again, with
// whatever else the user changed in it.
bool enable_scan_task_v2(bool enable, const std::wstring& path);

// Task Scheduler 2.0 has no property pages for one task: opens the Task Scheduler console
// (taskschd.msc, on its start page; the task is in its library's top folder), where the user can
// change the schedule. True when the task exists and the console was started.
bool edit_scan_task_v2(HWND owner, const std::wstring& path);

// The task as registered; none when there is no such task or it cannot be read.
std::optional<scan_task_record_c> read_scan_task_v2(const std::wstring& path);
