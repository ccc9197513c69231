// A whole scan query on Linux: the simulated PC's inventory from its profile, three mirrors of
// the update server in this process (the first one down), the demo catalog.
#include "devices/device_profile.h"
#include "devices/profile_source.h"
#include "service/update_service.h"
#include "tests/server/test_catalogs.h"
#include "tests/unit/demo_scan_expectations.h"
#include "tests/unit/test_files.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

class scan_query_test : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        server_ = start_demo_server(folder_.path(), error);
        ASSERT_TRUE(server_) << error;

        device_profile_c profile;
        ASSERT_TRUE(load_device_profile(std::filesystem::path(VANTOREL_SOURCE_DIR) / "tests/tools/simulated_pc/simulated-pc.json",
                                        profile, error));
        profile_source_c source(std::move(profile));
        enumeration_progress_c progress;
        ASSERT_EQ(enumerate_devices(store_, source, progress), failure_code_c::none);
        service_.trust.allow_unsigned = true;  // an unsigned test catalog
        // Mirror 1 refuses connections; 2 and 3 answer.
        service_.mirrors = {"http://127.0.0.1:1/", server_->base_url(), server_->base_url()};
        service_.installed_links_file = (folder_.path() / "setup.dat").wstring();
        query_.os_code = "WIN764";
        query_.os_version_number = 61;
        query_.lang = 437;
    }

    scratch_folder_c folder_;
    std::unique_ptr<update_server_c> server_;
    device_store_c store_;
    update_service_c service_;
    machine_description_c query_;
};

}  // namespace

TEST_F(scan_query_test, mirror_one_down_mirror_two_answers_and_every_device_gets_its_offers) {
    const query_outcome_c outcome = query_update_server(service_, store_, query_);
    ASSERT_TRUE(outcome.succeeded()) << failure_number(outcome.failure);
    EXPECT_EQ(outcome.http_status, 200);
    EXPECT_EQ(outcome.failure_text, "");
    expect_demo_outcome(store_, demo_expectations_profile_ranks);
}

TEST_F(scan_query_test, a_package_whose_setup_was_started_is_no_longer_an_update) {
    std::string gtx = server_->base_url() + "packages/nvidia-display-441.66-win7-x64.zip";
    std::string pad = server_->base_url() + "packages/xbox360-controller-2.1.0.1349-x64.zip";
    std::ofstream(folder_.path() / "setup.dat") << "  " << gtx << " \r\n\n" << pad;
    ASSERT_TRUE(query_update_server(service_, store_, query_).succeeded());
    EXPECT_EQ(service_.installed_links, (std::set<std::string>{gtx, pad}));
    for (const device_c& device : store_.devices) {
        if (std::wcsncmp(device.instance_path, L"PCI\\VEN_10DE&DEV_1C82", 21) == 0) {
            EXPECT_FALSE(device.best_is_update);
            EXPECT_FALSE(device.latest_is_update);
        }
        // A device without a driver is offered its package all the same.
        if (std::wcsncmp(device.instance_path, L"USB\\VID_045E&PID_028E", 21) == 0) {
            EXPECT_TRUE(device.best_is_update);
            EXPECT_TRUE(device.latest_is_update);
        }
    }
}
