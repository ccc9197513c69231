#include "backup/detached_worker.h"

#include "common/thread_start.h"

bool detached_worker_c::wait_for(std::chrono::milliseconds limit) const {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (running() && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return !running();
}

bool detached_worker_c::start(std::function<std::int32_t()> work) {
    if (running()) return false;
    state_ = std::make_shared<state_c>();
    std::optional<std::thread> thread = start_thread([state = state_, work = std::move(work)] {
        std::int32_t result = -1;
        try {
            result = work();
        } catch (...) {
            result = -1;
        }
        state->result.store(result);
        state->finished.store(true);
    });
    if (!thread) {
        // No thread: the work counts as ended and failed, so nothing waits for it.
        state_->finished.store(true);
        return false;
    }
    thread->detach();
    return true;
}
