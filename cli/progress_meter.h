// A one-line progress bar for downloads on a terminal: bytes, share, rate and time left. The rate
// is measured over the last few seconds, so it follows the transfer rather than its history.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>

class progress_meter_c {
public:
    using clock = std::chrono::steady_clock;

    // Records the byte count at a moment; returns the line to show (no line end).
    std::string update(std::uint64_t bytes_done, std::uint64_t expected_size, clock::time_point now);

private:
    std::deque<std::pair<clock::time_point, std::uint64_t>> samples_;
};

// "1:05", "12:00:01"; "--:--" when the time is unknown.
std::string format_duration(double seconds);
