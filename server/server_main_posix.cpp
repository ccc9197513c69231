// vantorel-server: answers scan requests from the catalog and serves its package files.
//   vantorel-server --catalog FILE --packages DIR [--listen 127.0.0.1:PORT] [--public-url URL]
//                   [--items N] [--threads N] [--connections N] [--timeout SECONDS] [--port-file FILE]
// Runs until SIGINT or SIGTERM. With port 0 a free port is chosen; --port-file receives it.
#include "server/sqlite_catalog_store.h"
#include "server/update_server.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>

namespace {

int serve(int argc, char** argv) {
    server_settings_c settings;
    std::string catalog_path, port_file, listen = "127.0.0.1:0";
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (i + 1 >= argc) {
            std::fprintf(stderr, "vantorel-server: %s needs a value\n", name.c_str());
            return 2;
        }
        std::string value = argv[++i];
        if (name == "--catalog") catalog_path = value;
        else if (name == "--packages") settings.packages_folder = value;
        else if (name == "--listen") listen = value;
        else if (name == "--public-url") settings.public_url = value;
        else if (name == "--items") settings.items_per_device = std::strtoul(value.c_str(), nullptr, 10);
        else if (name == "--threads") settings.threads = unsigned(std::strtoul(value.c_str(), nullptr, 10));
        else if (name == "--connections") settings.connections = unsigned(std::strtoul(value.c_str(), nullptr, 10));
        else if (name == "--timeout") settings.timeout_seconds = unsigned(std::strtoul(value.c_str(), nullptr, 10));
        else if (name == "--port-file") port_file = value;
        else {
            std::fprintf(stderr, "vantorel-server: unknown option %s\n", name.c_str());
            return 2;
        }
    }
    std::size_t colon = listen.rfind(':');
    if (catalog_path.empty() || settings.packages_folder.empty() || colon == std::string::npos) {
        std::fprintf(stderr, "usage: vantorel-server --catalog FILE --packages DIR [--listen ADDRESS:PORT] ...\n");
        return 2;
    }
    settings.address = listen.substr(0, colon);
    settings.port = std::uint16_t(std::strtoul(listen.c_str() + colon + 1, nullptr, 10));

    // Block the stop signals before the service's threads start, so that only sigwait sees them.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::string error;
    auto store = sqlite_catalog_store_c::open_read_only(catalog_path, error);
    catalog_index_builder_c builder;
    if (!store || !store->load_index(builder, error)) {
        std::fprintf(stderr, "vantorel-server: %s\n", error.c_str());
        return 1;
    }
    store.reset();
    auto catalog = std::make_shared<const catalog_index_c>(builder.finish());
    auto server = update_server_c::start(settings, catalog, error);
    if (!server) {
        std::fprintf(stderr, "vantorel-server: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "vantorel-server: %zu packages, %zu device IDs; listening on %s\n", catalog->package_count(),
                 catalog->entry_count(), server->base_url().c_str());
    if (!port_file.empty()) {
        std::ofstream(port_file + ".part") << server->port() << "\n";
        std::rename((port_file + ".part").c_str(), port_file.c_str());
    }
    int received = 0;
    sigwait(&stop_signals, &received);
    std::fprintf(stderr, "vantorel-server: stopping (signal %d)\n", received);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return serve(argc, argv);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "vantorel-server: %s\n", failure.what());
        return 1;
    }
}
