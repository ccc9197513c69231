// The update server's connection handling, shared by the files that answer each kind of
// request: the server's state, what one request carries, and the ways a response is sent.
#pragma once

#include "server/http/answer_pool.h"
#include "server/http/client_shares.h"
#include "server/scan/scan_endpoint.h"
#include "server/http/server_metrics.h"
#include "server/http/update_server.h"

#include <microhttpd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

struct update_server_c::state_c {
    server_settings_c settings;
    answer_settings_c answer;
    std::atomic<std::size_t> buffered{0};  // request bodies and answers held by all connections together
    std::mutex log_lock;
    server_metrics_c metrics;
    std::atomic<std::uint64_t> catalog_loads{0}, catalog_load_failures{0};
    std::unique_ptr<answer_pool_c> answers;
    std::unique_ptr<client_shares_c> shares;
    std::atomic<bool> stopping{false};  // connections are closed after their response
    std::atomic<std::size_t> requests_open{0};  // begun and not yet ended (a download being sent included)
    std::string tls_certificate, tls_key;  // PEM texts, while the service runs; empty without HTTPS
    std::atomic<std::uint64_t> reports_taken{0}, reports_refused{0};

    // What the reports decided (pairs no longer offered, packages graduated out of testing), read
    // again from the store once older than the settings say (a read that fails keeps the last
    // ones); null without a store.
    std::shared_ptr<const report_verdicts_c> verdicts_now();
    // Reads them now (after a report demoted or graduated a package).
    void read_verdicts();

    served_catalog_c current() const {
        std::lock_guard<std::mutex> hold(catalog_lock);
        return catalog;
    }
    void replace(served_catalog_c next) {
        std::lock_guard<std::mutex> hold(catalog_lock);
        catalog = std::move(next);
    }
    // Why the last load of the catalog failed; empty when it succeeded.
    std::string last_load_error() const {
        std::lock_guard<std::mutex> hold(catalog_lock);
        return load_error;
    }
    void set_last_load_error(std::string error) {
        std::lock_guard<std::mutex> hold(catalog_lock);
        load_error = std::move(error);
    }
    // Takes `bytes` from the budget, or false when that would pass it.
    bool reserve(std::size_t bytes) {
        if (buffered.fetch_add(bytes) + bytes <= settings.buffered_bytes) return true;
        buffered.fetch_sub(bytes);
        return false;
    }

private:
    std::mutex verdicts_lock;
    std::shared_ptr<const report_verdicts_c> verdicts;
    std::chrono::steady_clock::time_point verdicts_read{};
    mutable std::mutex catalog_lock;
    served_catalog_c catalog;
    std::string load_error;
};

namespace server_http {

using clock_type = std::chrono::steady_clock;
constexpr std::string_view packages_path = "/packages/";
constexpr std::string_view release_path = "/release";
constexpr std::string_view report_path = "/report";

// What one request carries between the library's calls, and what its log line reports.
struct request_context_c {
    update_server_c::state_c* state = nullptr;
    clock_type::time_point started = clock_type::now();
    std::string target;  // as received, for the log
    std::string path;    // decoded by the library
    std::string method;
    std::string client;  // the address the request is from (see client_shares.h)
    std::string body;
    std::size_t received = 0;  // body bytes that arrived, kept or not
    // The rate window: when it began, and what had arrived by then (update_server.cpp's
    // keep_to_deadline judges each window on its own, not the average since the start).
    clock_type::time_point window_started = started;
    std::size_t received_at_window = 0;
    std::size_t reserved = 0;  // this body's share of the server-wide budget (and of its client's)
    std::size_t discarded = 0;
    bool headers_seen = false;
    bool too_large = false;
    bool busy = false;
    bool submitted = false;  // the answer is being computed, the connection waits
    std::optional<scan_reply_c> reply;
    unsigned status = 0;
    std::uint64_t bytes = 0;
};

MHD_Result send(MHD_Connection* connection, request_context_c& context, unsigned status, MHD_Response* response,
                std::uint64_t bytes);
MHD_Result send_text(MHD_Connection* connection, request_context_c& context, unsigned status, const std::string& text,
                     const char* type = "text/plain; charset=utf-8");

// Gives the body's bytes back to the server's budget and to its client's share.
void release_body(update_server_c::state_c& state, request_context_c& context);
// Takes `bytes` for the request's body from its client's share and the server's budget, or false.
bool reserve_body(update_server_c::state_c& state, request_context_c& context, std::size_t bytes);

// The request's reply computed by `job` on an answer thread while the connection waits: the client's
// share of the queue is taken first (refused: 503 with `refusal`), and a queue that takes no more
// answers 503 at once.
MHD_Result submit_answer(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context,
                         const char* refusal, std::function<void()> job);
// On the answer thread, the job's last step: the request's bytes and its queue share given back,
// the reply (its bytes counted in the budget by the caller) set, the connection resumed.
void deliver_reply(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context,
                   scan_reply_c reply);

// POST /report: the body is in; the report is checked and stored on an answer thread.
MHD_Result answer_report(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context);

// POST /: the body is in; the answer is computed on an answer thread while the connection waits.
MHD_Result answer_scan(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context);
// The answer, once computed.
MHD_Result send_reply(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context);
// GET or HEAD /packages/NAME, with a byte range.
MHD_Result serve_package(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context);
// GET or HEAD /release: the newest release's document, or 404 when the catalog has none.
MHD_Result serve_release(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context);
// That document, its link under the given base.
std::string release_document(const catalog_release_c& release, const std::string& package_base_url);
// GET /health and GET /metrics.
MHD_Result send_health(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context);
MHD_Result send_metrics(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context);

}  // namespace server_http
