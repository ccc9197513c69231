#include "system/scan_schedule_time.h"
#include "system/scheduled_scan_box.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

local_minute_c at(int year, int month, int day, int hour, int minute, int weekday) {
    return {year, month, day, hour, minute, weekday};
}

}  // namespace

TEST(scan_schedule_time, the_first_run_is_the_next_minute_carried_through_the_calendar) {
    // An ordinary minute: Wednesday 10:15 -> 10:16, Wednesday's bit.
    weekly_start_c start = weekly_start_after(at(2024, 5, 8, 10, 15, 3));
    EXPECT_EQ(start.first_run, at(2024, 5, 8, 10, 16, 3));
    EXPECT_EQ(start.days_of_week, 0x08);
    // The last minute of an hour: the minute carries into the hour, never 60.
    EXPECT_EQ(weekly_start_after(at(2024, 5, 8, 10, 59, 3)).first_run, at(2024, 5, 8, 11, 0, 3));
    // Midnight moves the weekday: Thursday 23:59 -> Friday 00:00.
    start = weekly_start_after(at(2024, 5, 9, 23, 59, 4));
    EXPECT_EQ(start.first_run, at(2024, 5, 10, 0, 0, 5));
    EXPECT_EQ(start.days_of_week, 0x20);
    // Saturday 23:59 at the end of a month and year -> Sunday 00:00 on 1 January, bit 0.
    start = weekly_start_after(at(2022, 12, 31, 23, 59, 6));
    EXPECT_EQ(start.first_run, at(2023, 1, 1, 0, 0, 0));
    EXPECT_EQ(start.days_of_week, 0x01);
    // Saturday 23:59 -> Sunday, bit 6 -> bit 0 within a month.
    EXPECT_EQ(weekly_start_after(at(2024, 5, 11, 23, 59, 6)).days_of_week, 0x01);
    // As the Task Scheduler writes a local start time.
    EXPECT_EQ(start_boundary_text(at(2023, 1, 1, 0, 0, 0)), L"2023-01-01T00:00:00");
    EXPECT_EQ(start_boundary_text(at(2024, 12, 9, 17, 5, 1)), L"2024-12-09T17:05:00");
}

TEST(scan_schedule_time, month_ends_follow_month_lengths_and_leap_years) {
    EXPECT_EQ(one_minute_later(at(2024, 2, 28, 23, 59, 3)), at(2024, 2, 29, 0, 0, 4));
    EXPECT_EQ(one_minute_later(at(2024, 2, 29, 23, 59, 4)), at(2024, 3, 1, 0, 0, 5));
    EXPECT_EQ(one_minute_later(at(2023, 2, 28, 23, 59, 2)), at(2023, 3, 1, 0, 0, 3));
    EXPECT_EQ(one_minute_later(at(2100, 2, 28, 23, 59, 0)), at(2100, 3, 1, 0, 0, 1));
    EXPECT_EQ(one_minute_later(at(2000, 2, 28, 23, 59, 1)), at(2000, 2, 29, 0, 0, 2));
    EXPECT_EQ(one_minute_later(at(2024, 4, 30, 23, 59, 2)), at(2024, 5, 1, 0, 0, 3));
    EXPECT_EQ(one_minute_later(at(2024, 4, 29, 23, 59, 1)), at(2024, 4, 30, 0, 0, 2));
}

namespace {

// Records the work item calls in order; enable's answer is set by the test.
class recorded_calls_c : public scan_task_calls_c {
public:
    bool create() override {
        log.push_back("create");
        return false;  // as for an item that exists already
    }
    bool enable(bool enable) override {
        log.push_back(enable ? "enable" : "disable");
        return enable_works;
    }
    bool edit() override {
        log.push_back("edit");
        return true;
    }
    std::vector<std::string> log;
    bool enable_works = true;
};

using calls_t = std::vector<std::string>;

}  // namespace

TEST(scheduled_scan_box, ticking_creates_enables_and_edits_and_confirming_saves_the_box) {
    recorded_calls_c calls;
    scheduled_scan_box_c box(0);
    EXPECT_TRUE(box.set_checked(true, calls));  // an existing item is reused
    EXPECT_EQ(calls.log, (calls_t{"create", "enable", "edit"}));
    EXPECT_TRUE(box.set_checked(true, calls));  // no change, no calls
    EXPECT_EQ(calls.log.size(), 3u);
    EXPECT_EQ(box.confirm(), 1u);

    scheduled_scan_box_c on(1);
    calls.log.clear();
    EXPECT_TRUE(on.set_checked(false, calls));
    EXPECT_EQ(calls.log, (calls_t{"disable"}));
    EXPECT_EQ(on.confirm(), 0u);  // the item stays, disabled
}

TEST(scheduled_scan_box, cancelling_puts_the_trigger_back_only_when_the_box_moved) {
    recorded_calls_c calls;
    scheduled_scan_box_c off(0);
    off.set_checked(true, calls);
    off.cancel(calls);
    EXPECT_EQ(calls.log, (calls_t{"create", "enable", "edit", "disable"}));
    EXPECT_FALSE(off.checked());

    calls.log.clear();
    scheduled_scan_box_c on(1);
    on.set_checked(false, calls);
    on.set_checked(true, calls);  // back where it was: nothing to undo on cancel
    on.cancel(calls);
    EXPECT_EQ(calls.log, (calls_t{"disable", "create", "enable", "edit"}));
}

TEST(scheduled_scan_box, a_failing_scheduler_is_reported_and_the_box_keeps_the_choice) {
    recorded_calls_c calls;
    calls.enable_works = false;
    scheduled_scan_box_c box(0);
    EXPECT_FALSE(box.set_checked(true, calls));
    EXPECT_TRUE(box.checked());
    EXPECT_EQ(box.confirm(), 1u);
}
