// The server's log: one line per request (time, peer, method, target, status, bytes, duration).
// Method and target come from the client, so every byte that could forge a line or drive a
// terminal is written as %XX.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

std::string log_safe(std::string_view text);

struct request_log_entry_c {
    std::time_t when = 0;
    std::string peer;
    std::string method;
    std::string target;
    unsigned status = 0;
    std::uint64_t bytes = 0;
    double milliseconds = 0;
    bool completed = true;
};

std::string request_log_line(const request_log_entry_c& entry);
