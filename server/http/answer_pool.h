// The threads that compute scan answers, apart from the threads that move bytes: one heavy
// request never holds up package downloads or other connections. A bounded queue: past it, the
// caller answers "busy" at once. Jobs wait in one line per client and the threads take from the
// lines in turn, so that a client with many scans waiting delays its own, not everyone's.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class answer_pool_c {
public:
    answer_pool_c(unsigned threads, std::size_t most_waiting);
    ~answer_pool_c();  // runs what is queued, then joins
    answer_pool_c(const answer_pool_c&) = delete;
    answer_pool_c& operator=(const answer_pool_c&) = delete;

    // False when the queue is full; the job is then not run.
    bool submit(std::function<void()> job, const std::string& client = {});
    std::size_t waiting() const;
    // Refuses every job from now on.
    void close();
    // Blocks until no job is queued or running.
    void drain();

private:
    void work();
    mutable std::mutex lock_;
    std::condition_variable wake_, idle_;
    std::map<std::string, std::deque<std::function<void()>>> lines_;  // by client
    std::string last_served_;  // the client whose line was served last
    std::size_t queued_ = 0;
    std::size_t most_waiting_;
    std::size_t running_ = 0;
    bool stopping_ = false;
    bool closed_ = false;
    std::vector<std::thread> threads_;
};
