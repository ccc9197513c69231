// The fault-injecting HTTP server the transfer tests talk to: on Linux one runs inside the test
// process; the Windows tests under Wine reach the one the test script started, named by
// VANTOREL_FAULT_SERVER ("127.0.0.1:PORT").
#pragma once

#include <cstdlib>
#include <memory>
#include <string>

#ifndef _WIN32
#include "tests/tools/fault_server/fault_server.h"
#endif

class fault_server_access_c {
public:
    // The base URL ("http://127.0.0.1:PORT"), or empty when no server can be had.
    static std::string base_url() {
#ifdef _WIN32
        const char* address = std::getenv("VANTOREL_FAULT_SERVER");
        return address && *address ? std::string("http://") + address : std::string();
#else
        static std::unique_ptr<fault_server_c> server = [] {
            auto started = std::make_unique<fault_server_c>();
            if (!started->start()) started.reset();
            return started;
        }();
        return server ? server->url("") : std::string();
#endif
    }
};

// The byte at a position of every /bytes/N body (the server's pattern).
inline unsigned char expected_pattern_byte(unsigned long long position) {
    return static_cast<unsigned char>((position * 7 + position / 251) & 0xFF);
}
