// The scan query's fail-over and failure reporting against the fault-injecting server, and the
// installed links of "setup.dat". Runs natively and under Wine.
#include "service/update_service.h"
#include "tests/unit/fault_server_access.h"
#include "tests/unit/test_files.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <fstream>

namespace {

class update_service_test : public ::testing::Test {
protected:
    void SetUp() override {
        base_ = fault_server_access_c::base_url();
        if (base_.empty()) GTEST_SKIP() << "no fault server";
        http_global_init();
        device_c device;
        std::wcscpy(device.instance_path, L"PCI\\VEN_10DE&DEV_1C82");
        store_.devices.push_back(device);
        service_.trust.allow_unsigned = true;  // an unsigned test catalog
        service_.installed_links_file = (folder_.path() / "setup.dat").wstring();
        machine_.os_code = "WIN764";
        machine_.os_version_number = 61;
    }
    void TearDown() override {
        service_.transfer.reset();
        if (!base_.empty()) http_global_cleanup();
    }
    bool query(const std::string& first, const std::string& second, const std::string& third) {
        service_.mirrors = {first, second, third};
        query_ = query_update_server(service_, store_, machine_);
        return query_.succeeded();
    }
    std::string at(const std::string& path) const { return base_ + path; }

    std::string base_;
    scratch_folder_c folder_;
    device_store_c store_;
    update_service_c service_;
    machine_description_c machine_;
    query_outcome_c query_;
};

const std::string unreachable = "http://127.0.0.1:1/";

}  // namespace

TEST_F(update_service_test, all_mirrors_unreachable_is_a_network_timeout) {
    EXPECT_FALSE(query(unreachable, unreachable, unreachable));
    EXPECT_EQ(query_.http_status, 504);
    EXPECT_EQ(query_.failure, failure_code_c::network_timeout);
    EXPECT_EQ(query_.failure_text, "");
    ASSERT_EQ(query_.mirror_failures.size(), 3u);
    EXPECT_EQ(query_.mirror_failures[0].rfind(unreachable + ": ", 0), 0u);
    EXPECT_GT(query_.mirror_failures[0].size(), unreachable.size() + 2);
}

TEST_F(update_service_test, error_statuses_from_every_mirror_give_a_network_error_without_text) {
    EXPECT_FALSE(query(at("/status/500"), at("/status/502"), at("/status/503")));
    EXPECT_EQ(query_.http_status, 503);  // the last attempt's status
    EXPECT_EQ(query_.failure, failure_code_c::network);
    EXPECT_EQ(query_.failure_text, "");
    EXPECT_EQ(query_.mirror_failures,
              (std::vector<std::string>{at("/status/500") + ": HTTP status 500", at("/status/502") + ": HTTP status 502",
                                        at("/status/503") + ": HTTP status 503"}));
}

TEST_F(update_service_test, an_answer_too_large_for_the_buffer_reports_the_library_text) {
    std::string large = at("/bytes/" + std::to_string(scan_answer_capacity));
    EXPECT_FALSE(query(large, large, large));
    EXPECT_EQ(query_.failure, failure_code_c::network);
    EXPECT_FALSE(query_.failure_text.empty());
}

TEST_F(update_service_test, an_empty_answer_fails_the_parse_and_no_other_mirror_is_asked) {
    // Were mirrors 2 and 3 asked, the query would end with their 503 and error 20.
    EXPECT_FALSE(query(at("/bytes/0"), at("/status/503"), at("/status/503")));
    EXPECT_EQ(query_.http_status, 200);
    EXPECT_EQ(query_.failure, failure_code_c::invalid_answer);
    EXPECT_EQ(query_.answered_by, at("/bytes/0"));
    EXPECT_TRUE(query_.mirror_failures.empty());
}

TEST_F(update_service_test, later_queries_reuse_the_transfer_and_start_from_an_empty_buffer) {
    EXPECT_FALSE(query(at("/bytes/3000"), unreachable, unreachable));
    http_transfer_c* first = service_.transfer.get();
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(query(at("/bytes/0"), unreachable, unreachable));
    EXPECT_EQ(service_.transfer.get(), first);
    EXPECT_EQ(service_.transfer->result().body->length, 0);
}

TEST_F(update_service_test, setup_dat_lines_are_trimmed_and_empty_ones_skipped) {
    service_.installed_links = {"kept when the file is missing"};
    load_installed_links(service_);
    EXPECT_EQ(service_.installed_links.size(), 1u);
    folder_.write("setup.dat", "  http://files.example/a b.zip \t\r\n\r\n\nftp://files.example/c.zip");
    load_installed_links(service_);
    EXPECT_EQ(service_.installed_links, (std::set<std::string>{"http://files.example/a b.zip", "ftp://files.example/c.zip"}));
    // A link longer than any read buffer stays one link.
    std::string long_link = "http://files.example/" + std::string(3000, 'x') + ".zip";
    folder_.write("setup.dat", long_link + "\n");
    load_installed_links(service_);
    EXPECT_EQ(service_.installed_links, (std::set<std::string>{long_link}));
}
