// The update server's HTTP service (libmicrohttpd): scan requests posted to "/", package files
// (and the program's installer) under "/packages/", the program's newest release at GET /release,
// and GET /health and GET /metrics for operators: on an admin listener of
// their own where one is set, otherwise on the public listener to loopback peers only. Connection threads move bytes; scan answers
// are computed by a pool of answer threads while their connections wait. The catalog can be
// replaced while the service runs: each request keeps the catalog it started with.
#pragma once

#include "server/catalog/catalog_index.h"
#include "server/reports/report_store.h"
#include "server/scan/scan_answer_writer.h"
#include "server/scan/scan_request_reader.h"

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

struct server_settings_c {
    std::string address = "127.0.0.1";  // numeric IPv4 address to listen on
    std::uint16_t port = 0;              // 0 picks a free port
    std::string packages_folder;         // where the catalog's archives are kept
    std::string public_url;              // base URL of this server as clients reach it; empty: from address and port
    // Where answers link the packages: any HTTP server or CDN holding the packages folder (the
    // signatures keep it honest); empty: this server's /packages/.
    std::string packages_url;
    std::string admin_address;           // numeric IPv4 address of the admin listener; empty: none
    std::uint16_t admin_port = 0;        // 0 picks a free port
    std::size_t items_per_device = 20;
    std::size_t body_bytes = 8u << 20;   // largest request body accepted
    std::size_t buffered_bytes = 256u << 20;  // request bodies and answers held at once; past it, 503
    std::size_t answer_bytes = (5u << 20) - 1;  // the program takes answers up to this size
    request_limits_c request;
    unsigned threads = 2;                // connection threads
    unsigned answer_threads = 0;         // 0: as many as connection threads
    std::size_t answers_waiting = 256;   // scan requests queued for an answer thread; past it, 503
    unsigned connections = 512;
    unsigned connections_per_address = 32;  // 0: no limit (behind a load balancer all share its address)
    unsigned timeout_seconds = 30;       // idle time before a connection is closed
    // Fair shares (client_shares.h) and slow senders: what one client address may hold of the
    // budget and of the answer queue, the whole time a request may take to arrive, and the
    // average upload rate it must keep after its first seconds.
    unsigned client_share_percent = 25;  // of buffered_bytes
    std::size_t answers_per_client = 0;  // scans queued or being answered; 0: a quarter of answers_waiting
    unsigned request_seconds = 60;
    std::size_t min_upload_rate = 1024;  // bytes per second
    unsigned upload_grace_seconds = 10;
    std::vector<std::string> trusted_proxies;  // peers whose X-Forwarded-For names the client
    // HTTPS on the public listener (libmicrohttpd's TLS, GnuTLS): a PEM certificate, or chain, and
    // its unencrypted PEM private key; both or neither. The admin listener stays plain HTTP.
    std::string tls_certificate_file, tls_key_file;
    std::FILE* log = stderr;             // one line per request; null for none
    // Install reports (POST /report): where they are kept, when a package is demoted for a
    // hardware ID, and how often the demotions are read again (other servers and the catalog
    // tool change them too). No store: no reports taken.
    std::shared_ptr<report_store_c> reports;
    demotion_limits_c demotion;
    unsigned demotion_refresh_seconds = 10;
};

// The catalog being served, with what /health tells of it.
struct served_catalog_c {
    std::shared_ptr<const catalog_index_c> index;
    std::time_t written = 0;  // the catalog file's modification time
    // The program's newest release, answered at GET /release; null when none is recorded or its
    // installer is missing from the packages folder.
    std::shared_ptr<const catalog_release_c> release;
};

class update_server_c {
public:
    // Starts listening; null with an error when the address cannot be bound.
    static std::unique_ptr<update_server_c> start(const server_settings_c& settings, served_catalog_c catalog,
                                                  std::string& error);
    static std::unique_ptr<update_server_c> start(const server_settings_c& settings,
                                                  std::shared_ptr<const catalog_index_c> catalog, std::string& error);
    ~update_server_c();  // stops at once: stop() first for a graceful end
    update_server_c(const update_server_c&) = delete;
    update_server_c& operator=(const update_server_c&) = delete;

    std::uint16_t port() const { return port_; }
    std::uint16_t admin_port() const { return admin_port_; }  // 0 without an admin listener
    std::string base_url() const;

    // Requests that start after this are answered from the new catalog.
    void replace_catalog(served_catalog_c catalog);
    // The signed statement's serial of the catalog being served; 0 without one.
    std::uint64_t catalog_statement_serial() const;
    // Counts a load of the catalog; a failed one is shown by /health (with `error`) until one succeeds.
    void count_catalog_load(bool loaded, const std::string& error = {});
    // Accepts no more connections, lets the open ones finish for at most `seconds`, then ends
    // every connection.
    void stop(unsigned seconds);

    struct state_c;

private:
    update_server_c() = default;
    std::unique_ptr<state_c> state_;
    struct MHD_Daemon* daemon_ = nullptr;
    struct MHD_Daemon* admin_daemon_ = nullptr;
    std::uint16_t port_ = 0, admin_port_ = 0;
};
