#include "server/answer_pool.h"

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

bool answer_pool_c::submit(std::function<void()> job) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (closed_ || jobs_.size() >= most_waiting_) return false;
        jobs_.push_back(std::move(job));
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
    return jobs_.size();
}

void answer_pool_c::drain() {
    std::unique_lock<std::mutex> hold(lock_);
    idle_.wait(hold, [this] { return jobs_.empty() && running_ == 0; });
}

void answer_pool_c::work() {
    std::unique_lock<std::mutex> hold(lock_);
    while (true) {
        wake_.wait(hold, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty()) return;  // stopping, and nothing left
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        ++running_;
        hold.unlock();
        job();  // jobs catch their own failures
        hold.lock();
        --running_;
        if (jobs_.empty() && running_ == 0) idle_.notify_all();
    }
}
