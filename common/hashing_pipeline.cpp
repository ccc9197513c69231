#include "common/hashing_pipeline.h"

#include "common/thread_start.h"

#include <new>

hashing_pipeline_c::hashing_pipeline_c(sha256_c& hasher) : hasher_(hasher) {
    // Room for every spare there can be (the queue, the block being hashed, the feeder's), so the
    // thread never allocates; without it every block is hashed on the feeder's thread.
    try {
        spare_.reserve(depth + 2);
    } catch (const std::bad_alloc&) {
        return;
    }
    thread_ = start_thread([this] { run(); });
}

hashing_pipeline_c::~hashing_pipeline_c() {
    if (!thread_) return;
    {
        std::lock_guard<std::mutex> guard(lock_);
        ending_ = true;
    }
    changed_.notify_all();
    thread_->join();
}

void hashing_pipeline_c::run() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        changed_.wait(guard, [this] { return !queue_.empty() || ending_; });
        if (queue_.empty()) return;  // ending, and nothing left to hash
        std::vector<char> block = std::move(queue_.front());
        queue_.pop_front();
        hashing_ = true;
        guard.unlock();
        hasher_.update(block.data(), block.size());
        guard.lock();
        hashing_ = false;
        spare_.push_back(std::move(block));
        changed_.notify_all();
    }
}

void hashing_pipeline_c::hand_over(std::vector<char>& block) noexcept {
    if (!thread_) {
        hasher_.update(block.data(), block.size());
        block.clear();
        return;
    }
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return queue_.size() < depth; });
    try {
        queue_.push_back(std::move(block));
    } catch (const std::bad_alloc&) {
        // No memory to queue it: this block is hashed here, after those before it.
        changed_.wait(guard, [this] { return queue_.empty() && !hashing_; });
        hasher_.update(block.data(), block.size());
        block.clear();
        return;
    }
    block = std::vector<char>();
    if (!spare_.empty()) {
        block = std::move(spare_.back());
        spare_.pop_back();
        block.clear();
    }
    guard.unlock();
    changed_.notify_all();
}

void hashing_pipeline_c::drain() noexcept {
    if (!thread_) return;
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return queue_.empty() && !hashing_; });
}
