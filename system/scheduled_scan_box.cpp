#include "system/scheduled_scan_box.h"

scheduled_scan_box_c::scheduled_scan_box_c(std::uint32_t saved_setting)
    : saved_(saved_setting != 0), checked_(saved_setting != 0) {}

bool scheduled_scan_box_c::set_checked(bool checked, scan_task_calls_c& calls) {
    if (checked == checked_) return true;
    checked_ = checked;
    if (!checked) return calls.enable(false);
    calls.create();  // an existing task keeps its schedule and is reused
    bool enabled = calls.enable(true);
    calls.edit();
    return enabled;
}

void scheduled_scan_box_c::cancel(scan_task_calls_c& calls) {
    if (checked_ != saved_) calls.enable(saved_);
    checked_ = saved_;
}

std::uint32_t scheduled_scan_box_c::confirm() {
    saved_ = checked_;
    return saved_ ? 1u : 0u;
}
