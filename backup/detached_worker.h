// A worker thread that may outlive the page that started it: the thread and its owner share its
// state, so whichever ends last frees it, and neither writes into freed memory.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

class detached_worker_c {
public:
    // Starts the work on its own thread; false while an earlier one runs, or when the system would
    // not start a thread (the work then counts as ended with -1).
    bool start(std::function<std::int32_t()> work);
    bool running() const { return state_ && !state_->finished.load(); }
    // The result of the last work that ended; -1 before any.
    std::int32_t result() const { return state_ && state_->finished.load() ? state_->result.load() : -1; }
    // Waits for the work under way to end, at most `limit`; true when none runs any more.
    bool wait_for(std::chrono::milliseconds limit) const;

private:
    struct state_c {
        std::atomic<bool> finished{false};
        std::atomic<std::int32_t> result{-1};
    };
    std::shared_ptr<state_c> state_;
};
