#include "system/scan_task_win.h"

#include "system/current_user_win.h"
#include "system/machine_facts.h"
#include "system/scan_task_v1_win.h"
#include "system/scan_task_v2_win.h"

#include <exception>
#include <utility>

scan_task_place_c scan_task_place() {
    scan_task_place_c place;
    try {
        std::wstring sid = current_user_sid();
        if (!sid.empty()) place.task_path = L"\\Vantorel weekly scan (" + sid + L")";
        place.item_name = scan_task_item_name;
    } catch (const std::exception&) {  // out of memory: no place, every call fails
    }
    return place;
}

bool create_scan_task(const scan_task_place_c& place, const std::wstring& application, const local_minute_c& now) {
    if (!task_scheduler_2_available()) return create_scan_task_v1(place.item_name, application, now);
    if (!create_scan_task_v2(place.task_path, application, now)) return false;
    remove_scan_task_v1(place.item_name);
    return true;
}

bool enable_scan_task(bool enable, const scan_task_place_c& place) {
    if (!task_scheduler_2_available()) return enable_scan_task_v1(enable, place.item_name);
    bool saved = enable_scan_task_v2(enable, place.task_path);
    // An earlier version's item goes once the new task is saved, and when the schedule is
    // switched off (it would run on otherwise).
    bool removed = (saved || !enable) && remove_scan_task_v1(place.item_name);
    return saved || (!enable && removed);
}

bool edit_scan_task(HWND owner, const scan_task_place_c& place) {
    if (!task_scheduler_2_available()) return edit_scan_task_v1(owner, place.item_name);
    return edit_scan_task_v2(owner, place.task_path);
}

std::optional<scan_task_record_c> read_scan_task(const scan_task_place_c& place) {
    std::optional<scan_task_record_c> task;
    if (task_scheduler_2_available()) task = read_scan_task_v2(place.task_path);
    return task ? task : read_scan_task_v1(place.item_name);
}

local_minute_c current_local_minute() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wDayOfWeek};
}

scan_task_calls_win_c::scan_task_calls_win_c(HWND owner) : scan_task_calls_win_c(owner, program_path(), scan_task_place()) {}

scan_task_calls_win_c::scan_task_calls_win_c(HWND owner, std::wstring application, scan_task_place_c place)
    : owner_(owner), application_(std::move(application)), place_(std::move(place)) {}

bool scan_task_calls_win_c::create() { return create_scan_task(place_, application_, current_local_minute()); }

bool scan_task_calls_win_c::enable(bool enable) { return enable_scan_task(enable, place_); }

bool scan_task_calls_win_c::edit() { return edit_scan_task(owner_, place_); }
