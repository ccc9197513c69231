// The weekly scan's work item through the Task Scheduler 1.0 interfaces. Each call makes its own
// scheduler object on the calling thread (which must have COM) and releases every interface
// before it returns; failures are false, never exceptions.
#pragma once

#include "system/scan_schedule_time.h"
#include "system/scan_task_record.h"
#include "system/scheduled_scan_box.h"

#include <windows.h>

#include <optional>
#include <string>

// Creates and saves the item: application, "--autorun", comment, flags, the current user as
// account, and one weekly trigger starting the minute after now. False on any failure, and when
// an item of that name exists already (which is left as it is).
bool create_scan_task(const wchar_t* name, const std::wstring& application, const local_minute_c& now);
// The same for the item "Vantorel", this program and the current local time.
bool create_scan_task();

// Enables or disables the first trigger of the existing item and saves it.
bool enable_scan_task(bool enable, const wchar_t* name = scan_task_name);

// Shows the item's property pages, modal to owner; true when they closed without error.
bool edit_scan_task(HWND owner, const wchar_t* name = scan_task_name);

// The item as saved; none when there is no such item or it cannot be read.
std::optional<scan_task_record_c> read_scan_task(const wchar_t* name = scan_task_name);

local_minute_c current_local_minute();

// The settings dialog's calls on the real item, with the dialog as owner of the property pages.
class scan_task_calls_win_c : public scan_task_calls_c {
public:
    // The item "Vantorel" for this program.
    explicit scan_task_calls_win_c(HWND owner);
    scan_task_calls_win_c(HWND owner, std::wstring application, std::wstring name);
    bool create() override;
    bool enable(bool enable) override;
    bool edit() override;

private:
    HWND owner_;
    std::wstring application_;
    std::wstring name_;
};
