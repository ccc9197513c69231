#include "tests/tools/fault_server/fault_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <algorithm>
#include <map>

namespace {

constexpr std::size_t longest_head = 65536;

struct request_c {
    std::string method;
    std::string path;
    std::map<std::string, std::string> query;
    std::map<std::string, std::string> headers;  // names in lower case
    std::string head;
    std::string body;
};

bool send_all(int connection, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(connection, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += std::size_t(n);
    }
    return true;
}

std::string lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool read_request(int connection, request_c& request) {
    std::string data;
    char buffer[4096];
    std::size_t end;
    while ((end = data.find("\r\n\r\n")) == std::string::npos) {
        if (data.size() > longest_head) return false;
        ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
        if (n <= 0) return false;
        data.append(buffer, std::size_t(n));
    }
    request.head = data.substr(0, end + 4);
    request.body = data.substr(end + 4);
    std::size_t line_end = request.head.find("\r\n");
    std::string line = request.head.substr(0, line_end);
    std::size_t space1 = line.find(' '), space2 = line.rfind(' ');
    if (space1 == std::string::npos || space2 == space1) return false;
    request.method = line.substr(0, space1);
    std::string target = line.substr(space1 + 1, space2 - space1 - 1);
    std::size_t question = target.find('?');
    request.path = target.substr(0, question);
    if (question != std::string::npos) {
        std::string query = target.substr(question + 1);
        std::size_t at = 0;
        while (at <= query.size()) {
            std::size_t amp = query.find('&', at);
            std::string pair = query.substr(at, amp == std::string::npos ? std::string::npos : amp - at);
            std::size_t equals = pair.find('=');
            if (!pair.empty()) request.query[pair.substr(0, equals)] = equals == std::string::npos ? "" : pair.substr(equals + 1);
            if (amp == std::string::npos) break;
            at = amp + 1;
        }
    }
    std::size_t at = line_end + 2;
    while (at < request.head.size()) {
        std::size_t next = request.head.find("\r\n", at);
        std::string header = request.head.substr(at, next - at);
        std::size_t colon = header.find(':');
        if (colon != std::string::npos) {
            std::string value = header.substr(colon + 1);
            while (!value.empty() && value.front() == ' ') value.erase(value.begin());
            request.headers[lower(header.substr(0, colon))] = value;
        }
        at = next + 2;
    }
    auto length = request.headers.find("content-length");
    if (length != request.headers.end()) {
        std::size_t wanted = std::size_t(std::stoull(length->second));
        while (request.body.size() < wanted) {
            ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
            if (n <= 0) return false;
            request.body.append(buffer, std::size_t(n));
        }
    }
    return true;
}

std::uint64_t number(const std::map<std::string, std::string>& query, const char* key, std::uint64_t fallback) {
    auto found = query.find(key);
    return found == query.end() ? fallback : std::stoull(found->second);
}

std::string status_line(int status) {
    const char* reason = status == 200   ? "OK"
                         : status == 206 ? "Partial Content"
                         : status == 302 ? "Found"
                         : status == 404 ? "Not Found"
                         : status == 416 ? "Range Not Satisfiable"
                         : status == 503 ? "Service Unavailable"
                                         : "Status";
    return "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\n";
}

void answer_text(int connection, int status, const std::string& body, const std::string& extra_headers = "") {
    send_all(connection, status_line(status) + "Content-Type: text/html\r\nContent-Length: " +
                             std::to_string(body.size()) + "\r\n" + extra_headers + "Connection: close\r\n\r\n" + body);
}

void answer_bytes(int connection, const request_c& request, std::uint64_t size, const std::atomic<bool>& stopping) {
    std::uint64_t from = 0;
    auto range = request.headers.find("range");
    bool ignore_range = request.query.count("range") && request.query.at("range") == "ignore";
    if (range != request.headers.end() && !ignore_range && range->second.rfind("bytes=", 0) == 0) {
        from = std::stoull(range->second.substr(6));
        if (from >= size) {
            answer_text(connection, 416, "", "Content-Range: bytes */" + std::to_string(size) + "\r\n");
            return;
        }
    }
    const std::uint64_t count = size - from;
    const std::uint64_t extra = number(request.query, "extra", 0);
    std::string head = status_line(from ? 206 : 200) + "Content-Type: application/octet-stream\r\nContent-Length: " +
                       std::to_string(count) + "\r\n";
    if (from) head += "Content-Range: bytes " + std::to_string(from) + "-" + std::to_string(size - 1) + "/" +
                      std::to_string(size) + "\r\n";
    if (!send_all(connection, head + "Connection: close\r\n\r\n")) return;

    const std::uint64_t stall_after = number(request.query, "stall_after", UINT64_MAX);
    const std::uint64_t drop_after = number(request.query, "drop_after", UINT64_MAX);
    const std::uint64_t total = count + extra;
    std::uint64_t sent = 0;
    while (sent < total) {
        if (sent >= drop_after) return;
        if (sent >= stall_after) {
            // Hold the connection open without sending, until the client gives up.
            for (int i = 0; i < 600 && !stopping.load(); ++i) {
                char probe;
                if (::recv(connection, &probe, 1, MSG_DONTWAIT) == 0) return;
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            return;
        }
        std::uint64_t piece = std::min<std::uint64_t>({total - sent, std::uint64_t(65536), stall_after - sent, drop_after - sent});
        if (!send_all(connection, pattern_bytes(from + sent, piece))) return;
        sent += piece;
    }
}

}  // namespace

unsigned char pattern_byte(std::uint64_t position) {
    return static_cast<unsigned char>((position * 7 + position / 251) & 0xFF);
}

std::string pattern_bytes(std::uint64_t from, std::uint64_t count) {
    std::string bytes(count, '\0');
    for (std::uint64_t i = 0; i < count; ++i) bytes[i] = char(pattern_byte(from + i));
    return bytes;
}

fault_server_c::~fault_server_c() { stop(); }

bool fault_server_c::start(std::uint16_t port) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listener_ < 0) return false;
    int reuse = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 64) != 0) {
        ::close(listener_);
        listener_ = -1;
        return false;
    }
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { accept_loop(); });
    return true;
}

void fault_server_c::stop() {
    if (listener_ < 0) return;
    stopping_.store(true);
    ::shutdown(listener_, SHUT_RDWR);
    ::close(listener_);
    if (acceptor_.joinable()) acceptor_.join();
    while (active_.load() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    listener_ = -1;
}

std::string fault_server_c::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> fault_server_c::requests() const {
    std::lock_guard<std::mutex> guard(requests_lock_);
    return requests_;
}

void fault_server_c::accept_loop() {
    while (!stopping_.load()) {
        int connection = ::accept(listener_, nullptr, nullptr);
        if (connection < 0) {
            if (stopping_.load()) return;
            continue;
        }
        ++active_;
        std::thread([this, connection] {
            serve(connection);
            ::close(connection);
            --active_;
        }).detach();
    }
}

void fault_server_c::serve(int connection) {
    request_c request;
    if (!read_request(connection, request)) return;
    {
        std::lock_guard<std::mutex> guard(requests_lock_);
        requests_.push_back(request.head);
    }
    try {
        if (request.path.rfind("/bytes/", 0) == 0) {
            answer_bytes(connection, request, std::stoull(request.path.substr(7)), stopping_);
        } else if (request.path.rfind("/status/", 0) == 0) {
            int status = std::stoi(request.path.substr(8));
            answer_text(connection, status, "<html><body><h1>Error " + std::to_string(status) +
                                                "</h1><p>This page is not a driver package.</p></body></html>");
        } else if (request.path == "/redirect") {
            std::string to = request.query.count("to") ? request.query.at("to") : "/";
            answer_text(connection, 302, "", "Location: " + to + "\r\n");
        } else if (request.path == "/unsigned-answer") {
            // A well-formed scan answer from a catalog never signed as a whole.
            answer_text(connection, 200,
                        "<?xml version=\"1.0\"?><kelvdoc><hardwares><hardware><id>X</id></hardware></hardwares></kelvdoc>");
        } else if (request.path == "/echo" || request.path.rfind("/echo/", 0) == 0) {
            answer_text(connection, 200, request.head + request.body);
        } else {
            answer_text(connection, 404, "no such route");
        }
    } catch (const std::exception&) {
        answer_text(connection, 400, "bad request");
    }
}
