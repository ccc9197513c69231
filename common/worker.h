// Work on a thread of its own: the one way the program runs something beside the UI thread. The
// thread and the owner share the work's state, so whichever ends last frees it; the owner may
// therefore go first (a page closed, a session dropped) without the thread writing into freed
// memory. The owner learns of the end by polling `finished` (a window's timer), by waiting, or
// through the completion, which the thread calls as its last act, after `finished` is set; a
// completion posts a message and touches no window.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

class worker_c {
public:
    // The work reads the stop flag where it can end early; its result is the owner's to read.
    using work_t = std::function<std::int32_t(const std::atomic<bool>& stop)>;
    using completion_t = std::function<void(std::int32_t result)>;

    worker_c() = default;
    worker_c(const worker_c&) = delete;
    worker_c& operator=(const worker_c&) = delete;

    // Starts the work; false while an earlier one still runs, or when the system would not start a
    // thread: the work then counts as ended with `none`, and no completion is called.
    bool start(work_t work, completion_t completion = {});
    // Asks the running work to end soon.
    void request_stop() const;
    // Work was started and has not ended.
    bool running() const;
    // Work was started and has ended; stays true until the next start.
    bool finished() const;
    // The result of the work that ended last; `none` before any.
    std::int32_t result() const;
    // Waits for the work under way, at most `limit`; true when none runs any more.
    bool wait_for(std::chrono::milliseconds limit) const;

    static constexpr std::int32_t none = -1;

private:
    struct state_c;
    std::shared_ptr<state_c> state_;
};
