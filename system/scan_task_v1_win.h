// The weekly scan as a Task Scheduler 1.0 work item: where Task Scheduler 2.0 is missing (before
// Vista), and to find and remove the item "Vantorel" of earlier versions. Each call makes its own
// scheduler object on the calling thread (which must have COM) and releases every interface
// before it returns; failures are false, never exceptions.
#pragma once

#include "system/scan_schedule_time.h"
#include "system/scan_task_record.h"

#include <windows.h>

#include <optional>
#include <string>

// Creates and saves the item: application, "--autorun", comment, flags (interactive, only while
// the user is logged on; no battery conditions), no run-time limit, the current user as account,
// and one weekly trigger starting the minute after now. False on any failure, and when an item
// of that name exists already (which is left as it is).
bool create_scan_task_v1(const std::wstring& name, const std::wstring& application, const local_minute_c& now);

// Enables or disables the first trigger of the existing item and saves it.
bool enable_scan_task_v1(bool enable, const std::wstring& name);

// Shows the item's property pages, modal to owner; true when they closed without error.
bool edit_scan_task_v1(HWND owner, const std::wstring& name);

// The item as saved; none when there is no such item or it cannot be read.
std::optional<scan_task_record_c> read_scan_task_v1(const std::wstring& name);

// Deletes the item; true only when an item was deleted.
bool remove_scan_task_v1(const std::wstring& name);
