// The update server over the loopback, with the demo catalog: what the program and a download
// see, and what hostile clients get.
#include "server/catalog/demo_catalog.h"
#include "server/catalog/sqlite_catalog_store.h"
#include "server/http/update_server.h"

#include "devices/device_profile.h"
#include "devices/profile_source.h"
#include "service/scan_request.h"
#include "service/scan_response.h"
#include "tests/server/http_client.h"
#include "tests/unit/test_files.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <cwchar>

namespace {

device_store_c simulated_pc_store() {
    device_profile_c profile;
    std::string error;
    EXPECT_TRUE(load_device_profile(std::filesystem::path(VANTOREL_SOURCE_DIR) / "tests/tools/simulated_pc/simulated-pc.json",
                                    profile, error))
        << error;
    profile_source_c source(std::move(profile));
    device_store_c store;
    enumeration_progress_c progress;
    EXPECT_EQ(enumerate_devices(store, source, progress), failure_code_c::none);
    return store;
}

std::string compressed_request(const device_store_c& store, const char* os_code) {
    machine_description_c query;
    query.os_code = os_code;
    query.model = L"System Product Name";
    query.lang = 437;
    std::vector<unsigned char> packed;
    EXPECT_TRUE(compress_request(packed, build_scan_request(store, query)));
    return std::string(packed.begin(), packed.end());
}

const device_c& device_with_path(const device_store_c& store, const wchar_t* prefix) {
    for (const auto& device : store.devices)
        if (std::wcsncmp(device.instance_path, prefix, std::wcslen(prefix)) == 0) return device;
    static device_c none;
    ADD_FAILURE() << "no device starting with the given path";
    return none;
}


class update_server_test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new scratch_folder_c;
        std::string error;
        std::string packages = (folder_->path() / "packages").string(), catalog = (folder_->path() / "catalog.sqlite").string();
        ASSERT_TRUE(build_demo_catalog(packages, catalog, error)) << error;
        auto store = sqlite_catalog_store_c::open(catalog, false, error);
        std::vector<catalog_package_c> loaded;
        ASSERT_TRUE(store && store->load_packages(loaded, error)) << error;
        server_settings_c settings;
        settings.packages_folder = packages;
        settings.body_bytes = 1u << 20;
        settings.log = log_ = std::tmpfile();
        server_ = update_server_c::start(settings, std::make_shared<const catalog_index_c>(std::move(loaded)), error).release();
        ASSERT_NE(server_, nullptr) << error;
    }
    static void TearDownTestSuite() {
        delete server_;
        if (log_) std::fclose(log_);
        delete folder_;
    }
    static std::string url(const std::string& path) { return server_->base_url() + path; }
    static std::string log_text() {
        std::fflush(log_);
        std::rewind(log_);
        std::string text;
        char chunk[4096];
        while (std::size_t n = std::fread(chunk, 1, sizeof chunk, log_)) text.append(chunk, n);
        return text;
    }

    static scratch_folder_c* folder_;
    static update_server_c* server_;
    static std::FILE* log_;
};

// The answer as the program reads it, unsigned items let through (signing: catalog tests).
bool parse_unsigned(std::string_view body, device_store_c& store) {
    static const package_trust_c allow{{}, true};
    answer_trust_c trust(allow);
    return parse_scan_response(body, store, trust);
}

scratch_folder_c* update_server_test::folder_ = nullptr;
update_server_c* update_server_test::server_ = nullptr;
std::FILE* update_server_test::log_ = nullptr;

}  // namespace

TEST_F(update_server_test, the_simulated_pc_gets_the_offers_the_demo_catalog_holds_for_it) {
    device_store_c store = simulated_pc_store();
    std::string request = compressed_request(store, "WIN764");
    http_reply_c reply = fetch(url(""), &request);
    ASSERT_EQ(reply.status, 200) << reply.body;
    // The program reads the answer in UTF-8, whatever its code page.
    EXPECT_NE(reply.headers.find("Content-Type: text/xml; charset=utf-8\r\n"), std::string::npos) << reply.headers;
    ASSERT_TRUE(parse_unsigned(reply.body, store));

    // Two 64-bit Windows 7 packages for the graphics card; the 32-bit one is not offered.
    const device_c& gtx = device_with_path(store, L"PCI\\VEN_10DE&DEV_1C82");
    ASSERT_EQ(gtx.item_count, 2u);
    EXPECT_EQ(gtx.items[0].version, L"26.21.14.4166");
    EXPECT_EQ(gtx.items[1].version, L"23.21.13.9135");
    EXPECT_EQ(std::string(gtx.items[0].link), url("packages/nvidia-display-441.66-win7-x64.zip"));
    EXPECT_EQ(gtx.items[0].inf_name, L"nvidia-display-441.66-win7-x64\\driver\\setup.inf");
    EXPECT_EQ(gtx.items[0].hardid, L"PCI\\VEN_10DE&DEV_1C82&SUBSYS_85C41043");
    EXPECT_EQ(gtx.items[0].targetos, 61u);
    EXPECT_EQ(gtx.items[0].sign, 0u);
    EXPECT_EQ(gtx.items[0].feature, 0xFFu);
    // Chipset: the Windows 7 release only (not the Windows 8 or the 32-bit XP one), through a
    // compatible ID of the device.
    for (const wchar_t* chip : {L"PCI\\VEN_8086&DEV_A305", L"PCI\\VEN_8086&DEV_A324", L"PCI\\VEN_8086&DEV_A379", L"PCI\\VEN_8086&DEV_A32C"}) {
        const device_c& device = device_with_path(store, chip);
        ASSERT_EQ(device.item_count, 1u);
        EXPECT_EQ(device.items[0].version, L"10.1.17.3");
    }
    // The controller without a driver, signed but not by the hardware compatibility publisher.
    const device_c& pad = device_with_path(store, L"USB\\VID_045E&PID_028E");
    ASSERT_EQ(pad.item_count, 1u);
    EXPECT_EQ(pad.items[0].sign, 1u);
    // The hub is matched through its compatible ID only; the unsigned wireless beta has no catalog file.
    const device_c& hub = device_with_path(store, L"USB\\VID_05E3&PID_0610");
    ASSERT_EQ(hub.item_count, 1u);
    EXPECT_EQ(hub.items[0].hardid, L"USB\\Class_09");
    const device_c& wifi = device_with_path(store, L"PCI\\VEN_8086&DEV_A370");
    ASSERT_EQ(wifi.item_count, 2u);
    EXPECT_EQ(wifi.items[0].sign + wifi.items[1].sign, 3u);
    EXPECT_EQ(device_with_path(store, L"USB\\VID_8087&PID_0AAA").items[0].feature, 0x80u);
    std::size_t with_offers = 0;
    for (const auto& device : store.devices) with_offers += device.item_count > 0;
    // Graphics x2, chipset x4, audio, LAN, wireless, Bluetooth, controller, hub, and the receiver,
    // SATA and I2C controllers with localised packages.
    EXPECT_EQ(with_offers, 15u);

    // A 32-bit Windows 7 machine gets the 32-bit graphics driver and the network driver's x86 line.
    device_store_c store32 = simulated_pc_store();
    request = compressed_request(store32, "WIN7");
    reply = fetch(url(""), &request);
    ASSERT_TRUE(parse_unsigned(reply.body, store32));
    const device_c& gtx32 = device_with_path(store32, L"PCI\\VEN_10DE&DEV_1C82");
    ASSERT_EQ(gtx32.item_count, 1u);
    EXPECT_EQ(std::string(gtx32.items[0].link), url("packages/nvidia-display-441.66-win7-x86.zip"));
}

TEST_F(update_server_test, package_downloads_resume_with_a_byte_range) {
    std::string path = (folder_->path() / "packages" / "intel-wifi-21.60.2-win7-x64.zip").string();
    std::string whole = fetch(url("packages/intel-wifi-21.60.2-win7-x64.zip")).body;
    ASSERT_EQ(whole.size(), std::filesystem::file_size(path));
    http_reply_c tail = fetch(url("packages/intel-wifi-21.60.2-win7-x64.zip"), nullptr, "100-");
    EXPECT_EQ(tail.status, 206);
    EXPECT_EQ(tail.body, whole.substr(100));
    EXPECT_NE(tail.headers.find("Content-Range: bytes 100-" + std::to_string(whole.size() - 1) + "/" +
                                std::to_string(whole.size())),
              std::string::npos);
    EXPECT_EQ(fetch(url("packages/intel-wifi-21.60.2-win7-x64.zip"), nullptr, (std::to_string(whole.size()) + "-").c_str()).status, 416);
    EXPECT_EQ(fetch(url("packages/not-in-catalog.zip")).status, 404);
    EXPECT_EQ(fetch(url("packages/..%2Fcatalog.sqlite")).status, 404);
    EXPECT_EQ(fetch(url("elsewhere")).status, 404);
}

TEST_F(update_server_test, bad_requests_get_4xx_and_the_service_keeps_answering) {
    std::string junk = "not a zlib stream";
    http_reply_c reply = fetch(url(""), &junk);
    EXPECT_EQ(reply.status, 400);
    EXPECT_NE(reply.body.find("zlib"), std::string::npos);
    std::string plain = "kelvdoc=x";
    EXPECT_EQ(fetch(url(""), nullptr, nullptr, &plain).status, 400);
    std::string big(2u << 20, 'x');
    EXPECT_EQ(fetch(url(""), &big).status, 413);
    device_store_c store = simulated_pc_store();
    std::string unknown_os = compressed_request(store, "WIN11");
    EXPECT_EQ(fetch(url(""), &unknown_os).status, 400);
    EXPECT_EQ(fetch(url("")).status, 405);  // GET of the scan endpoint

    // A chunked body past the limit is not kept: the client is refused or cut off.
    curl_slist* chunked = curl_slist_append(nullptr, "Transfer-Encoding: chunked");
    chunked = curl_slist_append(chunked, "Content-Type: multipart/form-data; boundary=b");
    long status = fetch(url(""), nullptr, nullptr, &big, chunked).status;
    curl_slist_free_all(chunked);
    EXPECT_TRUE(status == 0 || status == 413) << status;

    // Raw garbage and a connection dropped in the middle of a request.
    for (const char* bytes : {"\x16\x03\x01garbage\r\n\r\n", "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 1000\r\n\r\nabc",
                              "GET /packages/\xff\xfe HTTP/1.1\r\n\r\n"}) {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(server_->port());
        inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
        ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_GT(send(fd, bytes, std::strlen(bytes), MSG_NOSIGNAL), 0);
        close(fd);
    }
    // A target that tries to forge a log line is logged escaped, on its own line.
    fetch(url("packages/%0A2025-01-01T00:00:00Z%20forged%1B"));
    std::string request = compressed_request(store, "WIN764");
    EXPECT_EQ(fetch(url(""), &request).status, 200);
    std::string log = log_text();
    EXPECT_EQ(log.find("\n2025-01-01T00:00:00Z forged"), std::string::npos) << log;
    EXPECT_NE(log.find("/packages/%250A2025-01-01T00:00:00Z%2520forged%251B 404"), std::string::npos) << log;
    EXPECT_NE(log.find("POST / 200 "), std::string::npos) << log;
    EXPECT_NE(log.find("POST / 400 "), std::string::npos) << log;
    EXPECT_NE(log.find(" 127.0.0.1:"), std::string::npos) << log;
}

TEST(update_server, bodies_past_the_servers_budget_get_503_and_later_ones_are_served_again) {
    server_settings_c settings;
    settings.buffered_bytes = 4096;
    settings.log = nullptr;
    std::string error;
    auto server = update_server_c::start(settings, std::make_shared<const catalog_index_c>(std::vector<catalog_package_c>{}),
                                         error);
    ASSERT_TRUE(server) << error;
    std::string large(8192, 'x'), small = "x";
    http_reply_c reply = fetch(server->base_url(), &large);
    EXPECT_EQ(reply.status, 503);
    // The budget is given back when a request ends.
    EXPECT_EQ(fetch(server->base_url(), &small).status, 400);
}
