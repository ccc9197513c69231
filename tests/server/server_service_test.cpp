// The service around the answers: the memory budget holds answers until they are sent, package
// downloads go on while answers are computed, and the health and metrics endpoints.
#include "server/http/update_server.h"

#include "tests/server/http_client.h"
#include "tests/server/test_catalogs.h"
#include "tests/unit/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <future>
#include <thread>
#include <vector>

namespace {

std::shared_ptr<const catalog_index_c> served_catalog(std::size_t count) {
    return std::make_shared<const catalog_index_c>(generic_packages(count, "Display adapter "));
}

// The zlib stream of a request naming `devices` display adapters.
std::string compressed_request(std::size_t devices) {
    std::string document = "<?xml version=\"1.0\"?><kelvdoc><client os=\"WIN764\" lang=\"437\" model=\"m\"/><hardwares>";
    for (std::size_t d = 0; d < devices; ++d)
        document += "<hardware><id>PCI\\VEN_1&amp;DEV_" + std::to_string(d) + "</id><hardids>PCI\\VEN_1&amp;DEV_" +
                    std::to_string(d) + "</hardids><compids>PCI\\CC_0300</compids></hardware>";
    document += "</hardwares></kelvdoc>";
    return zlib_compressed(document);
}

}  // namespace

TEST(server_service, answers_count_in_the_budget_until_sent_and_health_and_metrics_tell) {
    server_settings_c settings;
    settings.buffered_bytes = 64 * 1024;
    settings.log = nullptr;
    std::string error;
    auto server = update_server_c::start(settings, served_catalog(200), error);
    ASSERT_TRUE(server) << error;
    // Twenty devices with twenty offers each make an answer far larger than the whole budget.
    std::string large = compressed_request(20), small = compressed_request(1);
    http_reply_c refused = fetch(server->base_url(), &large);
    EXPECT_EQ(refused.status, 503) << refused.body.substr(0, 200);
    EXPECT_EQ(fetch(server->base_url(), &small).status, 200);

    http_reply_c health = fetch(server->base_url() + "health");
    EXPECT_EQ(health.status, 200);
    EXPECT_NE(health.body.find("\"packages\":200,"), std::string::npos) << health.body;
    // A request is counted (and its bytes leave the budget) once its reply has been sent, which
    // may come after the client has read it: the metrics are read again until the requests before
    // them are all counted, each reading of them one more request answered with 200.
    http_reply_c metrics;
    std::vector<std::string> expected;
    for (int reading = 0; reading < 100; ++reading) {
        metrics = fetch(server->base_url() + "metrics");
        expected = {"vantorel_requests_total{status=\"503\"} 1\n",
                    "vantorel_requests_total{status=\"200\"} " + std::to_string(2 + reading) + "\n",
                    "vantorel_budget_bytes_in_use 0\n", "vantorel_answer_seconds_count 2\n", "vantorel_catalog_packages 200\n"};
        if (std::all_of(expected.begin(), expected.end(),
                        [&](const std::string& line) { return metrics.body.find(line) != std::string::npos; }))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_NE(metrics.headers.find("text/plain; version=0.0.4"), std::string::npos);
    for (const std::string& line : expected) EXPECT_NE(metrics.body.find(line), std::string::npos) << line << metrics.body;

    server->replace_catalog(served_catalog_c{std::make_shared<const catalog_index_c>(), 0, nullptr});
    EXPECT_EQ(fetch(server->base_url() + "health").status, 503);
}

TEST(server_service, a_request_past_the_matching_budget_gets_413_naming_it_not_a_partial_answer) {
    server_settings_c settings;
    settings.log = nullptr;
    std::string error;
    // Every device asks for the display class, which 5,000 packages name: 17 devices weigh more
    // catalog lines than one request may.
    auto server = update_server_c::start(settings, served_catalog(5000), error);
    ASSERT_TRUE(server) << error;
    std::string request = compressed_request(17);
    http_reply_c refused = fetch(server->base_url(), &request);
    EXPECT_EQ(refused.status, 413);
    EXPECT_NE(refused.body.find("more than 65536 catalog lines"), std::string::npos) << refused.body;
    request = compressed_request(15);
    EXPECT_EQ(fetch(server->base_url(), &request).status, 200);
}

TEST(server_service, an_admin_listener_takes_health_and_metrics_off_the_public_one) {
    server_settings_c settings;
    settings.admin_address = "127.0.0.1";
    settings.log = nullptr;
    std::string error;
    auto server = update_server_c::start(settings, served_catalog(3), error);
    ASSERT_TRUE(server) << error;
    ASSERT_NE(server->admin_port(), 0);
    std::string admin = "http://127.0.0.1:" + std::to_string(server->admin_port()) + "/", small = compressed_request(1);
    EXPECT_EQ(fetch(server->base_url() + "health").status, 404);
    EXPECT_EQ(fetch(server->base_url() + "metrics").status, 404);
    EXPECT_EQ(fetch(server->base_url(), &small).status, 200);
    http_reply_c health = fetch(admin + "health");
    EXPECT_EQ(health.status, 200);
    EXPECT_NE(health.body.find("\"packages\":3,"), std::string::npos) << health.body;
    EXPECT_NE(fetch(admin + "metrics").body.find("vantorel_requests_total{status=\"200\"}"), std::string::npos);
    // Scans and packages are the public listener's alone.
    EXPECT_EQ(fetch(admin, &small).status, 404);
    EXPECT_EQ(fetch(admin + "packages/generic-0.zip").status, 404);
}

TEST(server_service, a_package_download_completes_while_heavy_scans_are_answered) {
    scratch_folder_c folder;
    folder.write("generic-0.zip", std::string(1 << 20, 'z'));
    server_settings_c settings;
    settings.packages_folder = folder.path().string();
    settings.threads = 1;
    settings.answer_threads = 1;
    settings.log = nullptr;
    std::string error;
    auto server = update_server_c::start(settings, served_catalog(4000), error);
    ASSERT_TRUE(server) << error;
    std::string heavy = compressed_request(16);  // 64,000 catalog lines to weigh, within one request's budget
    constexpr int scans = 16;
    std::atomic<int> answered{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < scans; ++c)
        clients.emplace_back([&] {
            EXPECT_EQ(fetch(server->base_url(), &heavy).status, 200);
            ++answered;
        });
    // Once several scans wait for the answer thread, a download is served by the one connection thread.
    auto waiting = [&] {
        std::string metrics = fetch(server->base_url() + "metrics").body;
        std::size_t at = metrics.find("\nvantorel_answers_waiting ");
        return at == std::string::npos ? 0 : std::atoi(metrics.c_str() + at + 26);
    };
    for (int poll = 0; poll < 400 && waiting() < 4; ++poll) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    http_reply_c download = fetch(server->base_url() + "packages/generic-0.zip");
    int answered_then = answered;
    for (auto& client : clients) client.join();
    EXPECT_EQ(download.status, 200);
    EXPECT_EQ(download.body.size(), std::size_t(1) << 20);
    EXPECT_LT(answered_then, scans);
}

TEST(server_service, a_graceful_stop_lets_a_download_under_way_finish_and_takes_no_new_connection) {
    scratch_folder_c folder;
    folder.write("generic-0.zip", std::string(3u << 20, 'z'));
    server_settings_c settings;
    settings.packages_folder = folder.path().string();
    settings.log = nullptr;
    std::string error;
    auto server = update_server_c::start(settings, served_catalog(1), error);
    ASSERT_TRUE(server) << error;
    std::string url = server->base_url();
    http_reply_c download;
    // About three seconds at 1 MiB/s.
    std::thread client([&] { download = fetch(url + "packages/generic-0.zip", nullptr, nullptr, nullptr, nullptr, 1 << 20); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    auto stopped = std::async(std::launch::async, [&] { server->stop(20); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(fetch(url + "health").status, 0);  // the listening socket is closed
    stopped.get();
    client.join();
    EXPECT_EQ(download.status, 200);
    EXPECT_EQ(download.body.size(), 3u << 20);
}

TEST(server_service, https_with_the_certificate_given_and_the_missing_file_named) {
    scratch_folder_c folder;
    const std::string certificate = (folder.path() / "cert.pem").string(), key = (folder.path() / "key.pem").string();
    const std::string make = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 "
                             "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout '" + key + "' -out '" +
                             certificate + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(make.c_str()), 0);
    server_settings_c settings;
    settings.log = nullptr;
    settings.tls_certificate_file = certificate;
    settings.tls_key_file = (folder.path() / "missing.pem").string();
    std::string error;
    EXPECT_FALSE(update_server_c::start(settings, served_catalog(3), error));
    EXPECT_NE(error.find("cannot read the TLS private key " + settings.tls_key_file), std::string::npos) << error;

    settings.tls_key_file = key;
    auto server = update_server_c::start(settings, served_catalog(3), error);
    ASSERT_TRUE(server) << error;
    const std::string url = server->base_url();
    EXPECT_EQ(url, "https://127.0.0.1:" + std::to_string(server->port()) + "/");
    // A client that trusts only this certificate gets its answer, with package links on HTTPS.
    std::string request = compressed_request(1);
    http_reply_c answer;
    CURL* curl = curl_easy_init();
    curl_mime* mime = curl_mime_init(curl);
    curl_mimepart* part = curl_mime_addpart(mime);
    curl_mime_name(part, "kelvdoc");
    curl_mime_data(part, request.data(), request.size());
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_MIMEPOST, mime);
    curl_easy_setopt(curl, CURLOPT_CAINFO, certificate.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collect_reply);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer.body);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 20L);
    CURLcode done = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &answer.status);
    curl_mime_free(mime);
    curl_easy_cleanup(curl);
    EXPECT_EQ(done, CURLE_OK) << curl_easy_strerror(done);
    EXPECT_EQ(answer.status, 200);
    EXPECT_NE(answer.body.find("<link>" + url + "packages/generic-0.zip</link>"), std::string::npos) << answer.body;
    EXPECT_EQ(fetch("http://127.0.0.1:" + std::to_string(server->port()) + "/health").status, 0);  // no plain HTTP there
}
