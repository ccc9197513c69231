// The weekly scan's scheduled task: a Task Scheduler 2.0 task of the current user where the
// scheduler has version 2.0 (Vista and later), else the 1.0 work item "Vantorel". Each call runs
// on the calling thread (which must have COM); failures are false, never exceptions.
#pragma once

#include "system/scan_schedule_time.h"
#include "system/scan_task_record.h"
#include "system/scheduled_scan_box.h"

#include <windows.h>

#include <optional>
#include <string>

// Where the task lives: the 2.0 task's path and the 1.0 work item's name.
struct scan_task_place_c {
    std::wstring task_path;
    std::wstring item_name;
};

// The current user's: "\Vantorel weekly scan (S-1-5-21-...)", one task per user in the top
// folder (where a user without administrator rights may register tasks, as other programs'
// per-user tasks are), named by the user's security identifier (which a renamed account keeps),
// and the item "Vantorel".
scan_task_place_c scan_task_place();

// Creates the task (false when it exists already, which is then left as it is). Once a 2.0 task
// is saved, the 1.0 item of the same place, as earlier versions made it, is deleted.
bool create_scan_task(const scan_task_place_c& place, const std::wstring& application, const local_minute_c& now);

// Switches the task on or off (a 2.0 task as a whole, a 1.0 item's first trigger) and saves it.
// Switching off also deletes an earlier version's 1.0 item, and is true when that was all there
// was to switch off.
bool enable_scan_task(bool enable, const scan_task_place_c& place);

// Shows the user where to change the schedule: the 1.0 item's property pages, modal to owner;
// for a 2.0 task, the Task Scheduler console. True when shown.
bool edit_scan_task(HWND owner, const scan_task_place_c& place);

// The 2.0 task, else the 1.0 item; none when neither exists or can be read.
std::optional<scan_task_record_c> read_scan_task(const scan_task_place_c& place);

local_minute_c current_local_minute();

// The settings dialog's calls on the real task, with the dialog as owner of what edit shows.
class scan_task_calls_win_c : public scan_task_calls_c {
public:
    // The current user's task for this program.
    explicit scan_task_calls_win_c(HWND owner);
    scan_task_calls_win_c(HWND owner, std::wstring application, scan_task_place_c place);
    bool create() override;
    bool enable(bool enable) override;
    bool edit() override;

private:
    HWND owner_;
    std::wstring application_;
    scan_task_place_c place_;
};
