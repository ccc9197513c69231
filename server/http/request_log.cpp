#include "server/http/request_log.h"

#include <cstdio>

std::string log_safe(std::string_view text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if (u > 0x20 && u < 0x7F && u != '%') {
            out += c;
        } else {
            out += '%';
            out += hex[u >> 4];
            out += hex[u & 0xF];
        }
    }
    return out.empty() ? "-" : out;
}

std::string request_log_line(const request_log_entry_c& entry) {
    std::tm utc{};
    gmtime_r(&entry.when, &utc);
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &utc);
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, " %u %llu %.3fms", entry.status, static_cast<unsigned long long>(entry.bytes),
                  entry.milliseconds);
    return std::string(when) + " " + (entry.peer.empty() ? "-" : entry.peer) + " " + log_safe(entry.method) + " " +
           log_safe(entry.target) + numbers + (entry.completed ? "" : " (connection closed early)") + "\n";
}
