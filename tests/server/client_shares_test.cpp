// Fair shares between client addresses: the client a request is from, the answer threads served
// in turn, and slow senders that can neither hold the budget nor a connection for long.
#include "server/http/answer_pool.h"
#include "server/http/client_shares.h"
#include "server/http/update_server.h"

#include "tests/server/http_client.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// A connection that sends a request's head and part of its body, then as little as it likes.
class slow_sender_c {
public:
    explicit slow_sender_c(std::uint16_t port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~slow_sender_c() { close(fd_); }
    bool connected() const { return connected_; }
    bool send_text(const std::string& text) { return ::send(fd_, text.data(), text.size(), MSG_NOSIGNAL) == ssize_t(text.size()); }
    // Whether the server closed the connection within the time.
    bool closed_within(int milliseconds) {
        pollfd watch{fd_, POLLIN, 0};
        if (poll(&watch, 1, milliseconds) <= 0) return false;
        char byte;
        return recv(fd_, &byte, 1, 0) <= 0;
    }
    std::string head(std::size_t length, const std::string& client) {
        return "POST / HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; boundary=b\r\nContent-Length: " +
               std::to_string(length) + "\r\nX-Forwarded-For: 10.9.9.9, " + client + "\r\n\r\n";
    }

private:
    int fd_;
    bool connected_ = false;
};

}  // namespace

TEST(client_shares, the_client_is_the_peer_unless_a_trusted_proxy_names_it) {
    const std::vector<std::string> trusted{"127.0.0.1"};
    EXPECT_EQ(client_address("127.0.0.1", "192.0.2.7", trusted), "192.0.2.7");
    // The last address is the one the trusted proxy added; what the client wrote before it is not.
    EXPECT_EQ(client_address("127.0.0.1", "203.0.113.5 , 192.0.2.7 ", trusted), "192.0.2.7");
    EXPECT_EQ(client_address("127.0.0.2", "192.0.2.7", trusted), "127.0.0.2");  // not a trusted proxy
    EXPECT_EQ(client_address("127.0.0.1", "", trusted), "127.0.0.1");
    EXPECT_EQ(client_address("127.0.0.1", "192.0.2.7, unknown", trusted), "127.0.0.1");
    EXPECT_EQ(client_address("127.0.0.1", "999.1.1.1", trusted), "127.0.0.1");

    client_shares_c shares(100, 2);
    EXPECT_TRUE(shares.take_bytes("a", 60));
    EXPECT_FALSE(shares.take_bytes("a", 41));
    EXPECT_TRUE(shares.take_bytes("b", 100));
    EXPECT_TRUE(shares.take_answer("a") && shares.take_answer("a"));
    EXPECT_FALSE(shares.take_answer("a"));
    shares.give_back_answer("a");
    shares.give_back_answer("a");
    shares.give_back_bytes("a", 60);
    shares.give_back_bytes("b", 100);
    EXPECT_EQ(shares.clients_holding(), 0u);  // nothing kept for clients that hold nothing
}

TEST(client_shares, answer_threads_serve_each_clients_line_in_turn) {
    answer_pool_c pool(1, 64);
    std::mutex lock;
    std::condition_variable released;
    bool go = false;
    std::vector<std::string> order;
    // The one thread is held while six scans of "flood" and one of "other" wait.
    ASSERT_TRUE(pool.submit([&] {
        std::unique_lock<std::mutex> hold(lock);
        released.wait(hold, [&] { return go; });
    }, "flood"));
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(pool.submit([&] { std::lock_guard<std::mutex> hold(lock); order.push_back("flood"); }, "flood"));
    ASSERT_TRUE(pool.submit([&] { std::lock_guard<std::mutex> hold(lock); order.push_back("other"); }, "other"));
    {
        std::lock_guard<std::mutex> hold(lock);
        go = true;
    }
    released.notify_all();
    pool.drain();
    ASSERT_EQ(order.size(), 7u);
    // The other client waits for at most one of the flood's scans, not for all six.
    EXPECT_LE(std::find(order.begin(), order.end(), "other") - order.begin(), 1);
}

TEST(client_shares, slow_uploads_from_one_address_leave_the_budget_to_others_and_are_cut_at_their_deadline) {
    server_settings_c settings;
    settings.buffered_bytes = 1 << 20;
    settings.body_bytes = 200 * 1024;
    settings.client_share_percent = 25;  // 256 KiB of the 1 MiB
    settings.request_seconds = 3;
    settings.trusted_proxies = {"127.0.0.1"};
    settings.log = nullptr;
    std::string error;
    auto server = update_server_c::start(settings, std::make_shared<const catalog_index_c>(std::vector<catalog_package_c>{}), error);
    ASSERT_TRUE(server) << error;
    // Eight uploads from one client, each 180 KiB in and then silent: 1.4 MiB if all were held.
    std::vector<std::unique_ptr<slow_sender_c>> uploads;
    std::string part(180 * 1024, 'x');
    for (int i = 0; i < 8; ++i) {
        uploads.push_back(std::make_unique<slow_sender_c>(server->port()));
        ASSERT_TRUE(uploads.back()->connected());
        ASSERT_TRUE(uploads.back()->send_text(uploads.back()->head(195 * 1024, "192.0.2.1") + part));
    }
    // Another client's request still finds room (a form without the field: 400, not 503).
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // time for the uploads to arrive
    curl_slist* headers = curl_slist_append(nullptr, "X-Forwarded-For: 192.0.2.2");
    headers = curl_slist_append(headers, "Content-Type: multipart/form-data; boundary=b");
    std::string body(150 * 1024, 'y');
    EXPECT_EQ(fetch(server->base_url(), nullptr, nullptr, &body, headers).status, 400);
    curl_slist_free_all(headers);
    // Uploads that have not arrived by their deadline are cut off (the request time is 3 s).
    auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(uploads.front()->closed_within(10000));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
}

// A fast start buys no idle time: each window of the grace time must bring the least rate.
TEST(client_shares, an_upload_that_starts_fast_then_trickles_is_cut_within_a_window) {
    server_settings_c settings;
    settings.request_seconds = 60;
    settings.upload_grace_seconds = 1;
    settings.min_upload_rate = 1024;
    settings.log = nullptr;
    std::string error;
    auto server = update_server_c::start(settings, std::make_shared<const catalog_index_c>(std::vector<catalog_package_c>{}), error);
    ASSERT_TRUE(server) << error;
    slow_sender_c upload(server->port());
    ASSERT_TRUE(upload.connected());
    // All but a few bytes at once (an average since the start would stay high for minutes) ...
    ASSERT_TRUE(upload.send_text(upload.head(200 * 1024 + 8, "192.0.2.3") + std::string(200 * 1024, 'x')));
    // ... then one byte every 400 ms.
    const auto started = std::chrono::steady_clock::now();
    bool closed = false;
    for (int i = 0; i < 8 && !closed; ++i) closed = !upload.send_text("x") || upload.closed_within(400);
    EXPECT_TRUE(closed || upload.closed_within(2000));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(6));
}
