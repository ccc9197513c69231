// The worker primitive: its work reads the stop flag, the completion comes after the end is
// published, the owner may go first, and a thread the system refuses counts as a failed end.
#include "common/worker.h"
#include "tests/unit/thread_start_fault.h"

#include <gtest/gtest.h>

#include <future>
#include <stdexcept>
#include <thread>

TEST(worker, stops_completes_after_the_end_and_may_outlive_its_owner) {
    std::promise<std::int32_t> completed;
    std::atomic<bool> finished_when_completed{false};
    auto owner = std::make_unique<worker_c>();
    worker_c* seen = owner.get();
    ASSERT_TRUE(owner->start(
        [](const std::atomic<bool>& stop) {
            while (!stop.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return std::int32_t(7);
        },
        [&](std::int32_t result) {
            finished_when_completed = seen->finished();
            completed.set_value(result);
        }));
    EXPECT_TRUE(owner->running());
    EXPECT_FALSE(owner->start([](const std::atomic<bool>&) { return std::int32_t(0); }));  // one at a time
    EXPECT_FALSE(owner->wait_for(std::chrono::milliseconds(20)));
    owner->request_stop();
    EXPECT_TRUE(owner->wait_for(std::chrono::seconds(30)));
    EXPECT_EQ(owner->result(), 7);
    EXPECT_EQ(completed.get_future().get(), 7);
    EXPECT_TRUE(finished_when_completed.load());

    // An owner that goes while its work runs leaves the thread a state of its own.
    std::promise<void> ended;
    auto gone = std::make_unique<worker_c>();
    ASSERT_TRUE(gone->start(
        [](const std::atomic<bool>&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            throw std::runtime_error("a work that throws ends as failed");
            return std::int32_t(0);
        },
        [&](std::int32_t result) {
            EXPECT_EQ(result, worker_c::none);
            ended.set_value();
        }));
    gone.reset();
    EXPECT_EQ(ended.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
}

TEST(worker, a_refused_thread_counts_as_a_failed_end_so_nothing_waits_for_it) {
    worker_c worker;
    ASSERT_TRUE(worker.start([](const std::atomic<bool>&) { return std::int32_t(0); }));
    ASSERT_TRUE(worker.wait_for(std::chrono::seconds(30)));
    ASSERT_EQ(worker.result(), 0);
    refuse_thread_starts(true);
    bool completed = false;
    EXPECT_FALSE(worker.start([](const std::atomic<bool>&) { return std::int32_t(0); },
                              [&](std::int32_t) { completed = true; }));
    refuse_thread_starts(false);
    EXPECT_FALSE(worker.running());
    EXPECT_TRUE(worker.finished());
    EXPECT_EQ(worker.result(), worker_c::none);
    EXPECT_FALSE(completed);
}
