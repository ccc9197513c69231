// The settings dialog's scheduled-scan check box and the order in which it calls the Task
// Scheduler. The task is never deleted: switching the schedule off only disables it.
#pragma once

#include <cstdint>

// The task operations the box drives; the Windows implementation acts on the real task.
class scan_task_calls_c {
public:
    virtual ~scan_task_calls_c() = default;
    // False also when the task exists already; the existing task is then simply reused.
    virtual bool create() = 0;
    virtual bool enable(bool enable) = 0;
    // Shows where the user may change days and time (the task's property pages, or the Task
    // Scheduler console).
    virtual bool edit() = 0;
};

class scheduled_scan_box_c {
public:
    // The box starts as the saved setting "scheduled_scan" has it.
    explicit scheduled_scan_box_c(std::uint32_t saved_setting);

    // The user ticks (create, enable, edit) or clears (disable) the box. True when the task
    // now matches the box; the box keeps the user's choice either way. Setting the box
    // to the state it already has calls nothing.
    bool set_checked(bool checked, scan_task_calls_c& calls);

    // The user cancels the dialog: a box that differs from the setting puts the task back in
    // step with the setting.
    void cancel(scan_task_calls_c& calls);

    // The user confirms the dialog: the value the setting "scheduled_scan" takes (then saved).
    std::uint32_t confirm();

    bool checked() const { return checked_; }

private:
    bool saved_;
    bool checked_;
};
