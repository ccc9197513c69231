#include "common/hashing_pipeline.h"

#include "common/thread_start.h"

#include <new>

hashing_pipeline_c::hashing_pipeline_c(sha256_c& hasher) : hasher_(hasher) {
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

void hashing_pipeline_c::feed(const void* data, std::size_t size) noexcept {
    if (!thread_) {
        hasher_.update(data, size);
        return;
    }
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return queue_.size() < depth; });
    try {
        std::vector<char> block;
        if (!spare_.empty()) {
            block = std::move(spare_.back());
            spare_.pop_back();
        }
        block.assign(static_cast<const char*>(data), static_cast<const char*>(data) + size);
        queue_.push_back(std::move(block));
    } catch (const std::bad_alloc&) {
        // No memory for a copy: this block is hashed here, after those before it.
        changed_.wait(guard, [this] { return queue_.empty() && !hashing_; });
        hasher_.update(data, size);
        return;
    }
    guard.unlock();
    changed_.notify_all();
}

void hashing_pipeline_c::drain() noexcept {
    if (!thread_) return;
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return queue_.empty() && !hashing_; });
}
