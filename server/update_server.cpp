#include "server/update_server.h"

#include "server/answer_size_limit.h"
#include "server/byte_range.h"
#include "server/request_log.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <ctime>
#include <mutex>

struct update_server_c::state_c {
    server_settings_c settings;
    answer_settings_c answer;
    std::shared_ptr<const catalog_index_c> catalog;
    std::atomic<std::size_t> buffered{0};  // request bodies held by all connections together
    std::mutex log_lock;
};

namespace {

using clock_type = std::chrono::steady_clock;
constexpr std::string_view packages_path = "/packages/";

// What one request carries between the library's calls, and what its log line reports.
struct request_context_c {
    clock_type::time_point started = clock_type::now();
    std::string target;  // as received, for the log
    std::string path;    // decoded by the library
    std::string method;
    std::string body;
    std::size_t reserved = 0;  // this body's share of the server-wide budget
    std::size_t discarded = 0;
    bool headers_seen = false;
    bool too_large = false;
    bool busy = false;
    unsigned status = 0;
    std::uint64_t bytes = 0;
};

std::string peer_text(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (!info || !info->client_addr || info->client_addr->sa_family != AF_INET) return "-";
    const auto* address = reinterpret_cast<const sockaddr_in*>(info->client_addr);
    char text[INET_ADDRSTRLEN] = "-";
    inet_ntop(AF_INET, &address->sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(address->sin_port));
}

MHD_Result send(MHD_Connection* connection, request_context_c& context, unsigned status, MHD_Response* response,
                std::uint64_t bytes) {
    if (!response) return MHD_NO;
    context.status = status;
    context.bytes = bytes;
    MHD_Result result = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return result;
}

MHD_Result send_text(MHD_Connection* connection, request_context_c& context, unsigned status, const std::string& text,
                     const char* type = "text/plain; charset=utf-8") {
    MHD_Response* response = MHD_create_response_from_buffer(text.size(), const_cast<char*>(text.data()), MHD_RESPMEM_MUST_COPY);
    if (!response) return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, type);
    return send(connection, context, status, response, text.size());
}

MHD_Result answer_scan(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context) {
    if (context.busy) return send_text(connection, context, MHD_HTTP_SERVICE_UNAVAILABLE, "server busy, try again later\n");
    if (context.too_large) return send_text(connection, context, MHD_HTTP_CONTENT_TOO_LARGE, "request body too large\n");
    const char* type = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_TYPE);
    scan_request_c request;
    request_failure_c failure;
    if (!read_scan_request(type ? type : "", context.body, state.settings.request, request, failure))
        return send_text(connection, context, unsigned(failure.status), failure.reason + "\n");
    if (!client_target_for(request.os_code).known)
        return send_text(connection, context, MHD_HTTP_BAD_REQUEST, "unknown client os " + request.os_code + "\n");
    auto offers = offers_for_request(request, *state.catalog, state.answer.items_per_device);
    std::string document;
    fitted_answer_c fitted = fit_scan_answer(request, *state.catalog, offers, state.answer, state.settings.answer_bytes, document);
    if (fitted.outcome == answer_fit_c::too_many_devices)
        return send_text(connection, context, MHD_HTTP_CONTENT_TOO_LARGE, "too many devices for one answer\n");
    if (fitted.outcome == answer_fit_c::shrunk_to_nothing)
        return send_text(connection, context, MHD_HTTP_SERVICE_UNAVAILABLE, "answer too large for this server, try another mirror\n");
    return send_text(connection, context, MHD_HTTP_OK, document, scan_answer_content_type(request).c_str());
}

MHD_Result serve_package(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context) {
    std::string name = context.path.substr(packages_path.size());
    std::uint32_t package = 0;
    if (!state.catalog->find_package(name, package) || name.find('/') != std::string::npos)
        return send_text(connection, context, MHD_HTTP_NOT_FOUND, "no such package\n");
    std::string file = state.settings.packages_folder + "/" + name;
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat facts {};
    if (fd < 0 || ::fstat(fd, &facts) != 0 || !S_ISREG(facts.st_mode)) {
        if (fd >= 0) ::close(fd);
        return send_text(connection, context, MHD_HTTP_NOT_FOUND, "package file missing\n");
    }
    std::uint64_t size = std::uint64_t(facts.st_size);
    const char* header = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_RANGE);
    byte_range_c range = header ? parse_byte_range(header, size) : byte_range_c{};
    if (range.kind == byte_range_c::kind_c::unsatisfiable) {
        ::close(fd);
        MHD_Response* response = MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT);
        if (!response) return MHD_NO;
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_RANGE, ("bytes */" + std::to_string(size)).c_str());
        return send(connection, context, MHD_HTTP_RANGE_NOT_SATISFIABLE, response, 0);
    }
    bool partial = range.kind == byte_range_c::kind_c::partial;
    std::uint64_t first = partial ? range.first : 0, length = partial ? range.length : size;
    // The response owns the descriptor from here on.
    MHD_Response* response = MHD_create_response_from_fd_at_offset64(length, fd, first);
    if (!response) {
        ::close(fd);
        return MHD_NO;
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "application/zip");
    MHD_add_response_header(response, MHD_HTTP_HEADER_ACCEPT_RANGES, "bytes");
    if (partial) {
        std::string value = "bytes " + std::to_string(first) + "-" + std::to_string(first + length - 1) + "/" + std::to_string(size);
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_RANGE, value.c_str());
    }
    bool head = context.method == MHD_HTTP_METHOD_HEAD;
    return send(connection, context, partial ? MHD_HTTP_PARTIAL_CONTENT : MHD_HTTP_OK, response, head ? 0 : length);
}

MHD_Result handle_request(void* cls, MHD_Connection* connection, const char* url, const char* method, const char*,
                          const char* upload_data, size_t* upload_data_size, void** con_cls) noexcept {
    auto& state = *static_cast<update_server_c::state_c*>(cls);
    auto* context = static_cast<request_context_c*>(*con_cls);
    if (!context) return MHD_NO;
    try {
        context->path = url ? url : "";
        context->method = method ? method : "";
        bool is_post = context->method == MHD_HTTP_METHOD_POST;
        if (is_post && context->path == "/") {
            if (!context->headers_seen) {
                // The first call carries the headers only: refuse a declared oversized body
                // before reading any of it, otherwise ask for the body.
                context->headers_seen = true;
                const char* length = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
                if (length && std::strtoull(length, nullptr, 10) > state.settings.body_bytes) {
                    context->too_large = true;
                    return answer_scan(state, connection, *context);
                }
                return MHD_YES;
            }
            if (*upload_data_size != 0) {
                // Bodies without a length (chunked) are counted here; past the limit they are
                // discarded, and a client that keeps sending is cut off.
                std::size_t size = *upload_data_size;
                bool keep = !context->too_large && !context->busy && context->body.size() + size <= state.settings.body_bytes;
                if (keep && state.buffered.fetch_add(size) + size > state.settings.buffered_bytes) {
                    // All connections together hold as much as the server allows.
                    state.buffered.fetch_sub(size);
                    context->busy = true;
                    keep = false;
                }
                if (keep) {
                    context->reserved += size;
                    context->body.append(upload_data, size);
                } else {
                    if (!context->busy) context->too_large = true;
                    state.buffered.fetch_sub(context->reserved);
                    context->reserved = 0;
                    std::string().swap(context->body);
                    context->discarded += size;
                    if (context->discarded > state.settings.body_bytes) return MHD_NO;
                }
                *upload_data_size = 0;
                return MHD_YES;
            }
            // The whole body is in.
            return answer_scan(state, connection, *context);
        }
        bool is_get = context->method == MHD_HTTP_METHOD_GET || context->method == MHD_HTTP_METHOD_HEAD;
        if (is_get && context->path.compare(0, packages_path.size(), packages_path) == 0)
            return serve_package(state, connection, *context);
        if (context->path == "/" || context->path.compare(0, packages_path.size(), packages_path) == 0) {
            MHD_Response* response = MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT);
            if (!response) return MHD_NO;
            MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, context->path == "/" ? "POST" : "GET, HEAD");
            return send(connection, *context, MHD_HTTP_METHOD_NOT_ALLOWED, response, 0);
        }
        return send_text(connection, *context, MHD_HTTP_NOT_FOUND, "not found\n");
    } catch (...) {
        return MHD_NO;
    }
}

void* begin_request(void*, const char* uri, MHD_Connection*) noexcept {
    try {
        auto* context = new request_context_c;
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
    state.buffered.fetch_sub(context->reserved);
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

}  // namespace

std::unique_ptr<update_server_c> update_server_c::start(const server_settings_c& settings,
                                                        std::shared_ptr<const catalog_index_c> catalog, std::string& error) {
    std::unique_ptr<update_server_c> server(new update_server_c);
    server->state_ = std::make_unique<state_c>();
    state_c& state = *server->state_;
    state.settings = settings;
    state.catalog = std::move(catalog);

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(settings.port);
    if (inet_pton(AF_INET, settings.address.c_str(), &address.sin_addr) != 1) {
        error = "not an IPv4 address: " + settings.address;
        return nullptr;
    }
    // The socket is bound here, so that the port (and with it the package links) is known before
    // the first request can arrive.
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int reuse = 1;
    socklen_t length = sizeof address;
    if (listener < 0 || ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0 ||
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener, 256) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        error = "cannot listen on " + settings.address + ":" + std::to_string(settings.port) + ": " + std::strerror(errno);
        if (listener >= 0) ::close(listener);
        return nullptr;
    }
    server->port_ = ntohs(address.sin_port);
    state.answer.items_per_device = settings.items_per_device;
    state.answer.package_base_url = server->base_url() + "packages/";
    server->daemon_ = MHD_start_daemon(
        MHD_USE_AUTO_INTERNAL_THREAD | MHD_USE_ERROR_LOG, 0, nullptr, nullptr, &handle_request, &state,
        MHD_OPTION_LISTEN_SOCKET, listener,
        MHD_OPTION_THREAD_POOL_SIZE, settings.threads < 1 ? 1u : settings.threads,
        MHD_OPTION_CONNECTION_LIMIT, settings.connections,
        MHD_OPTION_PER_IP_CONNECTION_LIMIT, settings.connections_per_address,
        MHD_OPTION_CONNECTION_TIMEOUT, settings.timeout_seconds,
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, static_cast<size_t>(64 * 1024),
        MHD_OPTION_STRICT_FOR_CLIENT, 1,
        MHD_OPTION_URI_LOG_CALLBACK, &begin_request, &state,
        MHD_OPTION_NOTIFY_COMPLETED, &end_request, &state,
        MHD_OPTION_END);
    if (!server->daemon_) {
        ::close(listener);
        error = "cannot start the HTTP service on " + settings.address + ":" + std::to_string(server->port_);
        return nullptr;
    }
    return server;
}
update_server_c::~update_server_c() {
    if (daemon_) MHD_stop_daemon(daemon_);
}

std::string update_server_c::base_url() const {
    const server_settings_c& settings = state_->settings;
    if (!settings.public_url.empty())
        return settings.public_url.back() == '/' ? settings.public_url : settings.public_url + "/";
    return "http://" + settings.address + ":" + std::to_string(port_) + "/";
}
