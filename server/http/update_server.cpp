#include "server/http/update_server.h"

#include "server/http/request_log.h"
#include "server/http/server_connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <thread>
#include <vector>

namespace {

using namespace server_http;

// The peer's IPv4 address and port; null for any other kind of peer.
const sockaddr_in* peer_of(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (!info || !info->client_addr || info->client_addr->sa_family != AF_INET) return nullptr;
    return reinterpret_cast<const sockaddr_in*>(info->client_addr);
}

// The peer's address without its port, "-" when it has none.
std::string peer_address(MHD_Connection* connection) {
    const sockaddr_in* peer = peer_of(connection);
    char text[INET_ADDRSTRLEN] = "-";
    if (peer) inet_ntop(AF_INET, &peer->sin_addr, text, sizeof text);
    return text;
}

std::string peer_text(MHD_Connection* connection) {
    const sockaddr_in* peer = peer_of(connection);
    return peer ? peer_address(connection) + ":" + std::to_string(ntohs(peer->sin_port)) : "-";
}

bool peer_on_loopback(MHD_Connection* connection) {
    const sockaddr_in* peer = peer_of(connection);
    return peer && (ntohl(peer->sin_addr.s_addr) >> 24) == 127;
}

// GET /health and GET /metrics, or false when the request is for neither.
bool operator_request(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context,
                      MHD_Result& result) {
    bool is_get = context.method == MHD_HTTP_METHOD_GET || context.method == MHD_HTTP_METHOD_HEAD;
    if (is_get && context.path == "/health") return result = send_health(state, connection, context), true;
    if (is_get && context.path == "/metrics") return result = send_metrics(state, connection, context), true;
    return false;
}

// The admin listener: what operators and load balancers ask, nothing else.
MHD_Result handle_admin_request(void* cls, MHD_Connection* connection, const char* url, const char* method, const char*,
                                const char*, size_t* upload_data_size, void** con_cls) noexcept {
    auto& state = *static_cast<update_server_c::state_c*>(cls);
    auto* context = static_cast<request_context_c*>(*con_cls);
    if (!context) return MHD_NO;
    try {
        context->path = url ? url : "";
        context->method = method ? method : "";
        if (*upload_data_size != 0) {
            *upload_data_size = 0;  // no request here has a body: it is dropped
            return MHD_YES;
        }
        MHD_Result result = MHD_NO;
        if (operator_request(state, connection, *context, result)) return result;
        return send_text(connection, *context, MHD_HTTP_NOT_FOUND, "not found\n");
    } catch (...) {
        return MHD_NO;
    }
}

// Whether an upload keeps within its whole time and the least rate in every window of the grace
// time's length (the first window included): a fast start buys no idle minutes afterwards, as an
// average since the start would. The connection's idle time is cut down to what is left of the
// request's time, so that a sender that goes quiet is closed at its deadline too.
bool keep_to_deadline(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context) {
    const server_settings_c& settings = state.settings;
    const clock_type::time_point now = clock_type::now();
    double elapsed = std::chrono::duration<double>(now - context.started).count();
    if (elapsed > settings.request_seconds) return false;
    const double window = std::chrono::duration<double>(now - context.window_started).count();
    if (window > settings.upload_grace_seconds) {
        if (double(context.received - context.received_at_window) < double(settings.min_upload_rate) * window) return false;
        context.window_started = now;
        context.received_at_window = context.received;
    }
    auto left = unsigned(settings.request_seconds - elapsed) + 1;
    MHD_set_connection_option(connection, MHD_CONNECTION_OPTION_TIMEOUT, std::min(left, settings.timeout_seconds));
    return true;
}

MHD_Result handle_request(void* cls, MHD_Connection* connection, const char* url, const char* method, const char*,
                          const char* upload_data, size_t* upload_data_size, void** con_cls) noexcept {
    auto& state = *static_cast<update_server_c::state_c*>(cls);
    auto* context = static_cast<request_context_c*>(*con_cls);
    if (!context) return MHD_NO;
    try {
        if (context->reply) return send_reply(state, connection, *context);
        if (context->submitted) return MHD_YES;
        context->path = url ? url : "";
        context->method = method ? method : "";
        bool is_post = context->method == MHD_HTTP_METHOD_POST;
        // Reports are read as scans are, bounded by their own size, where the server keeps them.
        const bool report = context->path == report_path && state.settings.reports;
        if (is_post && (context->path == "/" || report)) {
            const std::size_t most = report ? std::min(report_body_bytes, state.settings.body_bytes) : state.settings.body_bytes;
            if (!context->headers_seen) {
                // The first call carries the headers only: refuse a declared oversized body
                // before reading any of it, otherwise ask for the body.
                context->headers_seen = true;
                const char* forwarded = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "X-Forwarded-For");
                context->client = client_address(peer_address(connection), forwarded ? forwarded : "",
                                                 state.settings.trusted_proxies);
                keep_to_deadline(state, connection, *context);
                const char* length = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
                if (length && std::strtoull(length, nullptr, 10) > most) {
                    context->too_large = true;
                    return report ? answer_report(state, connection, *context) : answer_scan(state, connection, *context);
                }
                return MHD_YES;
            }
            if (*upload_data_size != 0) {
                // Bodies without a length (chunked) are counted here; past the limit they are
                // discarded, and a client that keeps sending is cut off.
                std::size_t size = *upload_data_size;
                context->received += size;
                // A sender too slow for the request's time, or for the least rate, is cut off.
                if (!keep_to_deadline(state, connection, *context)) return MHD_NO;
                bool keep = !context->too_large && !context->busy && context->body.size() + size <= most;
                if (keep && !reserve_body(state, *context, size)) {
                    // All connections together, or this client's, hold as much as the server allows.
                    context->busy = true;
                    keep = false;
                }
                if (keep) {
                    context->body.append(upload_data, size);
                } else {
                    if (!context->busy) context->too_large = true;
                    release_body(state, *context);
                    std::string().swap(context->body);
                    context->discarded += size;
                    if (context->discarded > most) return MHD_NO;
                }
                *upload_data_size = 0;
                return MHD_YES;
            }
            // The whole body is in.
            return report ? answer_report(state, connection, *context) : answer_scan(state, connection, *context);
        }
        bool is_get = context->method == MHD_HTTP_METHOD_GET || context->method == MHD_HTTP_METHOD_HEAD;
        if (is_get && context->path.compare(0, packages_path.size(), packages_path) == 0)
            return serve_package(state, connection, *context);
        if (is_get && context->path == release_path) return serve_release(state, connection, *context);
        // The operators' requests: on the admin listener where there is one, else from this host only.
        MHD_Result result = MHD_NO;
        if (state.settings.admin_address.empty() && peer_on_loopback(connection) &&
            operator_request(state, connection, *context, result))
            return result;
        if (context->path == "/" || (context->path == report_path && state.settings.reports) || context->path == release_path ||
            context->path.compare(0, packages_path.size(), packages_path) == 0) {
            MHD_Response* response = MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT);
            if (!response) return MHD_NO;
            const bool posted = context->path == "/" || context->path == report_path;
            MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, posted ? "POST" : "GET, HEAD");
            return send(connection, *context, MHD_HTTP_METHOD_NOT_ALLOWED, response, 0);
        }
        return send_text(connection, *context, MHD_HTTP_NOT_FOUND, "not found\n");
    } catch (...) {
        return MHD_NO;
    }
}

void* begin_request(void* cls, const char* uri, MHD_Connection*) noexcept {
    try {
        auto* context = new request_context_c;
        context->state = static_cast<update_server_c::state_c*>(cls);
        ++context->state->requests_open;
        context->target = uri ? uri : "";
        return context;
    } catch (...) {
        return nullptr;
    }
}

void end_request(void* cls, MHD_Connection* connection, void** con_cls, MHD_RequestTerminationCode code) noexcept {
    auto& state = *static_cast<update_server_c::state_c*>(cls);
    auto* context = static_cast<request_context_c*>(*con_cls);
    *con_cls = nullptr;
    if (!context) return;
    --state.requests_open;
    release_body(state, *context);
    state.metrics.count_request(context->status, context->bytes);
    if (state.settings.log) {
        try {
            request_log_entry_c entry;
            entry.when = std::time(nullptr);
            entry.peer = peer_text(connection);
            entry.method = context->method;
            entry.target = context->target;
            entry.status = context->status;
            entry.bytes = context->bytes;
            entry.milliseconds = std::chrono::duration<double, std::milli>(clock_type::now() - context->started).count();
            entry.completed = code == MHD_REQUEST_TERMINATED_COMPLETED_OK;
            std::string line = request_log_line(entry);
            std::lock_guard<std::mutex> lock(state.log_lock);
            std::fputs(line.c_str(), state.settings.log);
            std::fflush(state.settings.log);
        } catch (...) {
            // A log line that cannot be made is not worth the request.
        }
    }
    delete context;
}

// A PEM file's text; false with an error naming the file and what it should hold.
bool read_pem_file(const std::string& path, const char* what, std::string& text, std::string& error) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return error = std::string("cannot read the ") + what + " " + path + ": " + std::strerror(errno), false;
    char block[4096];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, file.get())) > 0 && text.size() < (1u << 20)) text.append(block, got);
    if (std::ferror(file.get())) return error = std::string("cannot read the ") + what + " " + path + ": " + std::strerror(errno), false;
    if (text.find("-----BEGIN ") == std::string::npos || text.size() >= (1u << 20))
        return error = path + " holds no PEM " + what, false;
    return true;
}

// The certificate and key for HTTPS, into the service's state; false with an error.
bool read_tls_files(const server_settings_c& settings, update_server_c::state_c& state, std::string& error) {
    if (settings.tls_certificate_file.empty() || settings.tls_key_file.empty())
        return error = "HTTPS needs a certificate and its key together (--tls-cert FILE --tls-key FILE)", false;
    if (MHD_is_feature_supported(MHD_FEATURE_TLS) != MHD_YES)
        return error = "this libmicrohttpd was built without TLS: it cannot serve HTTPS", false;
    return read_pem_file(settings.tls_certificate_file, "TLS certificate", state.tls_certificate, error) &&
           read_pem_file(settings.tls_key_file, "TLS private key", state.tls_key, error);
}

// A listening socket on the address and port (0: a free one); -1 with `error`. The port bound is
// put in `port`.
int listen_on(const std::string& text, std::uint16_t& port, std::string& error) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (inet_pton(AF_INET, text.c_str(), &address.sin_addr) != 1) {
        error = "not an IPv4 address: " + text;
        return -1;
    }
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int reuse = 1;
    socklen_t length = sizeof address;
    if (listener < 0 || ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0 ||
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener, 256) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        error = "cannot listen on " + text + ":" + std::to_string(port) + ": " + std::strerror(errno);
        if (listener >= 0) ::close(listener);
        return -1;
    }
    port = ntohs(address.sin_port);
    return listener;
}

}  // namespace

std::unique_ptr<update_server_c> update_server_c::start(const server_settings_c& settings,
                                                        std::shared_ptr<const catalog_index_c> catalog, std::string& error) {
    return start(settings, served_catalog_c{std::move(catalog), 0, nullptr}, error);
}

std::unique_ptr<update_server_c> update_server_c::start(const server_settings_c& settings, served_catalog_c catalog,
                                                        std::string& error) {
    std::unique_ptr<update_server_c> server(new update_server_c);
    server->state_ = std::make_unique<state_c>();
    state_c& state = *server->state_;
    state.settings = settings;
    state.replace(std::move(catalog));
    const bool tls = !settings.tls_certificate_file.empty() || !settings.tls_key_file.empty();
    if (tls && !read_tls_files(settings, state, error)) return nullptr;

    // The socket is bound here, so that the port (and with it the package links) is known before
    // the first request can arrive.
    server->port_ = settings.port;
    int listener = listen_on(settings.address, server->port_, error);
    if (listener < 0) return nullptr;
    state.answer.items_per_device = settings.items_per_device;
    state.read_verdicts();
    state.answer.package_base_url =
        settings.packages_url.empty() ? server->base_url() + "packages/"
                                      : settings.packages_url + (settings.packages_url.back() == '/' ? "" : "/");
    unsigned threads = settings.threads < 1 ? 1u : settings.threads;
    unsigned answer_threads = settings.answer_threads ? settings.answer_threads : threads;
    state.answers = std::make_unique<answer_pool_c>(answer_threads, settings.answers_waiting);
    state.shares = std::make_unique<client_shares_c>(
        std::max(settings.body_bytes, settings.buffered_bytes / 100 * std::min(settings.client_share_percent, 100u)),
        settings.answers_per_client ? settings.answers_per_client : std::max<std::size_t>(1, settings.answers_waiting / 4));
    std::vector<MHD_OptionItem> options{
        {MHD_OPTION_LISTEN_SOCKET, listener, nullptr},
        {MHD_OPTION_CONNECTION_LIMIT, intptr_t(settings.connections), nullptr},
        {MHD_OPTION_PER_IP_CONNECTION_LIMIT, intptr_t(settings.connections_per_address), nullptr},
        {MHD_OPTION_CONNECTION_TIMEOUT, intptr_t(settings.timeout_seconds), nullptr},
        {MHD_OPTION_CONNECTION_MEMORY_LIMIT, intptr_t(64 * 1024), nullptr},
        {MHD_OPTION_STRICT_FOR_CLIENT, 1, nullptr},
        {MHD_OPTION_URI_LOG_CALLBACK, intptr_t(&begin_request), &state},
        {MHD_OPTION_NOTIFY_COMPLETED, intptr_t(&end_request), &state},
    };
    if (threads > 1) options.push_back({MHD_OPTION_THREAD_POOL_SIZE, intptr_t(threads), nullptr});  // one: no pool
    unsigned flags = MHD_USE_AUTO_INTERNAL_THREAD | MHD_USE_ERROR_LOG | MHD_ALLOW_SUSPEND_RESUME;
    if (tls) {
        flags |= MHD_USE_TLS;
        options.push_back({MHD_OPTION_HTTPS_MEM_CERT, 0, state.tls_certificate.data()});
        options.push_back({MHD_OPTION_HTTPS_MEM_KEY, 0, state.tls_key.data()});
    }
    options.push_back({MHD_OPTION_END, 0, nullptr});
    server->daemon_ = MHD_start_daemon(flags, 0, nullptr, nullptr, &handle_request, &state, MHD_OPTION_ARRAY, options.data(),
                                       MHD_OPTION_END);
    if (!server->daemon_) {
        ::close(listener);
        error = "cannot start the HTTP service on " + settings.address + ":" + std::to_string(server->port_);
        if (tls)
            error = "cannot start the HTTPS service on " + settings.address + ":" + std::to_string(server->port_) + ": is " +
                    settings.tls_certificate_file + " a PEM certificate and " + settings.tls_key_file + " its private key?";
        return nullptr;
    }
    if (!settings.admin_address.empty()) {
        server->admin_port_ = settings.admin_port;
        int admin = listen_on(settings.admin_address, server->admin_port_, error);
        if (admin < 0) return nullptr;
        // Few connections, one thread: health checks and metrics scrapes.
        server->admin_daemon_ = MHD_start_daemon(
            MHD_USE_AUTO_INTERNAL_THREAD | MHD_USE_ERROR_LOG, 0, nullptr, nullptr, &handle_admin_request, &state,
            MHD_OPTION_LISTEN_SOCKET, admin, MHD_OPTION_CONNECTION_LIMIT, 64u, MHD_OPTION_CONNECTION_TIMEOUT,
            settings.timeout_seconds, MHD_OPTION_CONNECTION_MEMORY_LIMIT, std::size_t(64 * 1024),
            MHD_OPTION_URI_LOG_CALLBACK, &begin_request, &state, MHD_OPTION_NOTIFY_COMPLETED, &end_request, &state,
            MHD_OPTION_END);
        if (!server->admin_daemon_) {
            ::close(admin);
            error = "cannot start the admin listener on " + settings.admin_address + ":" + std::to_string(server->admin_port_);
            return nullptr;
        }
    }
    return server;
}

update_server_c::~update_server_c() { stop(0); }

void update_server_c::stop(unsigned seconds) {
    if (admin_daemon_) {
        MHD_stop_daemon(admin_daemon_);  // health checks see the service gone at once
        admin_daemon_ = nullptr;
    }
    if (!daemon_) return;
    state_->stopping = true;
    MHD_socket listener = MHD_quiesce_daemon(daemon_);
    if (listener != MHD_INVALID_SOCKET) ::close(listener);
    auto deadline = clock_type::now() + std::chrono::seconds(seconds);
    // Requests under way finish; idle connections waiting for another request are simply closed.
    while (clock_type::now() < deadline && state_->requests_open > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    // No connection may stay suspended when the service stops: answers being computed finish
    // (each is bounded), and none is queued after this.
    state_->answers->close();
    state_->answers->drain();
    MHD_stop_daemon(daemon_);
    daemon_ = nullptr;
}

void update_server_c::replace_catalog(served_catalog_c catalog) { state_->replace(std::move(catalog)); }

std::uint64_t update_server_c::catalog_statement_serial() const {
    const served_catalog_c served = state_->current();
    return served.index ? served.index->statement_serial() : 0;
}

void update_server_c::count_catalog_load(bool loaded, const std::string& error) {
    (loaded ? state_->catalog_loads : state_->catalog_load_failures).fetch_add(1);
    state_->set_last_load_error(loaded ? std::string() : error);
}

std::string update_server_c::base_url() const {
    const server_settings_c& settings = state_->settings;
    if (!settings.public_url.empty())
        return settings.public_url.back() == '/' ? settings.public_url : settings.public_url + "/";
    return (state_->tls_certificate.empty() ? "http://" : "https://") + settings.address + ":" + std::to_string(port_) + "/";
}
