// fault-server [PORT]: serves the transfer tests' cases on 127.0.0.1 until stopped; prints the
// port it listens on.
#include "tests/tools/fault_server/fault_server.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv) {
    std::uint16_t port = argc > 1 ? std::uint16_t(std::atoi(argv[1])) : 0;
    fault_server_c server;
    if (!server.start(port)) {
        std::fprintf(stderr, "fault-server: cannot listen on 127.0.0.1:%u\n", unsigned(port));
        return 1;
    }
    std::printf("%u\n", unsigned(server.port()));
    std::fflush(stdout);
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    int received = 0;
    sigwait(&signals, &received);
    server.stop();
    return 0;
}
