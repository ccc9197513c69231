// Hashes on a thread of its own what a download writes, so that hashing overlaps with receiving
// and writing instead of adding to them. Blocks are handed over, not copied: the feeder gets an
// already hashed buffer back to fill next. When the hasher falls `depth` blocks behind, the feeder
// waits. Without a thread (the system would not start one) every block is hashed at once, on the
// feeder's thread.
#pragma once

#include "common/sha256.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class hashing_pipeline_c {
public:
    explicit hashing_pipeline_c(sha256_c& hasher);
    // Hashes what is still queued, then ends the thread.
    ~hashing_pipeline_c();
    hashing_pipeline_c(const hashing_pipeline_c&) = delete;
    hashing_pipeline_c& operator=(const hashing_pipeline_c&) = delete;

    // Queues the block's bytes for the hasher. The block comes back empty, holding the storage of
    // a block hashed earlier where there is one, for the caller to fill again.
    void hand_over(std::vector<char>& block) noexcept;
    // Returns once everything handed over has gone into the hasher; only then may the caller use it.
    void drain() noexcept;

private:
    static constexpr std::size_t depth = 4;
    void run();

    sha256_c& hasher_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<std::vector<char>> queue_;
    std::vector<std::vector<char>> spare_;  // blocks hashed already, kept for the next ones
    bool hashing_ = false;
    bool ending_ = false;
    std::optional<std::thread> thread_;
};
