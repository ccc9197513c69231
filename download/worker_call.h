// The start block of a simple worker thread: the work, its argument, and what it returned. The
// UI thread learns that the work has ended from `finished` on a timer, never by blocking.
#pragma once

#include <atomic>
#include <cstdint>

struct worker_call_c {
    std::atomic<std::int32_t> result{0};
    void* argument = nullptr;
    std::int32_t (*procedure)(void* argument) = nullptr;
    std::atomic<bool> finished{false};
};

// The thread body: runs the procedure, keeps its result, then marks the call finished. An
// exception out of the work counts as the result -1.
void run_worker_call(worker_call_c& call) noexcept;
