// The threads that compute scan answers, apart from the threads that move bytes: one heavy
// request never holds up package downloads or other connections. A bounded queue: past it, the
// caller answers "busy" at once.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class answer_pool_c {
public:
    answer_pool_c(unsigned threads, std::size_t most_waiting);
    ~answer_pool_c();  // runs what is queued, then joins
    answer_pool_c(const answer_pool_c&) = delete;
    answer_pool_c& operator=(const answer_pool_c&) = delete;

    // False when the queue is full; the job is then not run.
    bool submit(std::function<void()> job);
    std::size_t waiting() const;
    // Refuses every job from now on.
    void close();
    // Blocks until no job is queued or running.
    void drain();

private:
    void work();
    mutable std::mutex lock_;
    std::condition_variable wake_, idle_;
    std::deque<std::function<void()>> jobs_;
    std::size_t most_waiting_;
    std::size_t running_ = 0;
    bool stopping_ = false;
    bool closed_ = false;
    std::vector<std::thread> threads_;
};
