// A small HTTP server on 127.0.0.1 for the transfer tests, whose answers are chosen by the
// request path, so one server serves every case:
//   /bytes/N              N bytes of a position-dependent pattern; honours "Range: bytes=A-"
//       ?range=ignore     answers 200 with all N bytes even to a range request
//       ?stall_after=K    sends K bytes, then nothing more
//       ?drop_after=K     sends K bytes, then closes the connection
//       ?extra=M          announces N bytes but sends N + M
//   /status/S             status S with a short HTML error page
//   /redirect?to=PATH     302 to PATH on this server
//   /echo                 200 with the request line, headers and body it received
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Byte i of every /bytes/N body; depends on the position, so a body misplaced by a bad resume
// shows.
unsigned char pattern_byte(std::uint64_t position);
std::string pattern_bytes(std::uint64_t from, std::uint64_t count);

class fault_server_c {
public:
    fault_server_c() = default;
    ~fault_server_c();
    fault_server_c(const fault_server_c&) = delete;
    fault_server_c& operator=(const fault_server_c&) = delete;

    // Listens on 127.0.0.1:port (0 picks a free port). False when the socket cannot be bound.
    bool start(std::uint16_t port = 0);
    void stop();
    std::uint16_t port() const { return port_; }
    std::string url(const std::string& path) const;
    // The request heads received so far, for tests that check what a client sent.
    std::vector<std::string> requests() const;

private:
    void accept_loop();
    void serve(int connection);

    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> active_{0};
    std::thread acceptor_;
    mutable std::mutex requests_lock_;
    std::vector<std::string> requests_;
};
