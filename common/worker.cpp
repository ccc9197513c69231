#include "common/worker.h"

#include "common/thread_start.h"

#include <condition_variable>
#include <mutex>

struct worker_c::state_c {
    std::atomic<bool> stop{false};
    std::atomic<bool> finished{false};
    std::atomic<std::int32_t> result{none};
    mutable std::mutex lock;
    mutable std::condition_variable ended;
};

namespace {

// The thread's body: an exception out of the work counts as a failure, never as an end of the
// process. The work (and what it holds) is released before the end is published.
std::int32_t run_work(worker_c::work_t& work, const std::atomic<bool>& stop) noexcept {
    std::int32_t result = worker_c::none;
    try {
        result = work(stop);
    } catch (...) {
        result = worker_c::none;
    }
    work = nullptr;
    return result;
}

}  // namespace

bool worker_c::start(work_t work, completion_t completion) {
    if (running()) return false;
    auto state = std::make_shared<state_c>();
    std::optional<std::thread> thread =
        start_thread([state, work = std::move(work), completion = std::move(completion)]() mutable {
            const std::int32_t result = run_work(work, state->stop);
            {
                std::lock_guard<std::mutex> hold(state->lock);
                state->result.store(result);
                state->finished.store(true);
            }
            state->ended.notify_all();
            if (completion) {
                try {
                    completion(result);
                } catch (...) {
                }
            }
        });
    if (!thread) {
        // Nothing runs: whoever polls finds the work ended and failed, and waits for nothing.
        state->finished.store(true);
        state_ = std::move(state);
        return false;
    }
    thread->detach();
    state_ = std::move(state);
    return true;
}

void worker_c::request_stop() const {
    if (state_) state_->stop.store(true);
}

bool worker_c::running() const { return state_ && !state_->finished.load(); }

bool worker_c::finished() const { return state_ && state_->finished.load(); }

std::int32_t worker_c::result() const { return finished() ? state_->result.load() : none; }

bool worker_c::wait_for(std::chrono::milliseconds limit) const {
    if (!state_) return true;
    std::unique_lock<std::mutex> hold(state_->lock);
    return state_->ended.wait_for(hold, limit, [this] { return state_->finished.load(); });
}
