#include "server/http/answer_pool.h"

answer_pool_c::answer_pool_c(unsigned threads, std::size_t most_waiting) : most_waiting_(most_waiting) {
    for (unsigned t = 0; t < (threads == 0 ? 1 : threads); ++t) threads_.emplace_back([this] { work(); });
}

answer_pool_c::~answer_pool_c() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (auto& thread : threads_) thread.join();
}

bool answer_pool_c::submit(std::function<void()> job, const std::string& client) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (closed_ || queued_ >= most_waiting_) return false;
        lines_[client].push_back(std::move(job));
        ++queued_;
    }
    wake_.notify_one();
    return true;
}

void answer_pool_c::close() {
    std::lock_guard<std::mutex> hold(lock_);
    closed_ = true;
}

std::size_t answer_pool_c::waiting() const {
    std::lock_guard<std::mutex> hold(lock_);
    return queued_;
}

void answer_pool_c::drain() {
    std::unique_lock<std::mutex> hold(lock_);
    idle_.wait(hold, [this] { return queued_ == 0 && running_ == 0; });
}

void answer_pool_c::work() {
    std::unique_lock<std::mutex> hold(lock_);
    while (true) {
        wake_.wait(hold, [this] { return stopping_ || queued_ != 0; });
        if (queued_ == 0) return;  // stopping, and nothing left
        // The next client's line after the one served last, in turn.
        auto line = lines_.upper_bound(last_served_);
        if (line == lines_.end()) line = lines_.begin();
        last_served_ = line->first;
        std::function<void()> job = std::move(line->second.front());
        line->second.pop_front();
        if (line->second.empty()) lines_.erase(line);
        --queued_;
        ++running_;
        hold.unlock();
        job();  // jobs catch their own failures
        hold.lock();
        --running_;
        if (queued_ == 0 && running_ == 0) idle_.notify_all();
    }
}
