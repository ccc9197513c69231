// A scan end to end under Windows (Wine here): the simulated PC registered into the prefix and
// read back through SetupAPI, the machine's own facts, and three update-server mirrors with the
// demo catalog that the test script started (VANTOREL_MIRRORS, three base URLs). Mirror 1 is
// replaced by a refused address, so the answer must come from mirror 2.
#include "system/machine_facts.h"
#include "devices/device_store.h"
#include "devices/system_source.h"
#include "common/failure_code.h"
#include "service/update_service.h"
#include "tests/unit/demo_scan_expectations.h"
#include "tests/win/demo_mirrors.h"
#include "tests/tools/simulated_pc/profile_registration_win.h"

#include <gtest/gtest.h>


namespace {

}  // namespace

TEST(scan_end_to_end, the_simulated_pc_gets_its_offers_through_mirror_two) {
    std::vector<std::string> mirrors = mirrors_from_environment();
    if (mirrors.size() != 3) GTEST_SKIP() << "VANTOREL_MIRRORS does not name three mirrors";
    device_profile_c profile;
    std::string error;
    ASSERT_TRUE(load_device_profile(VANTOREL_SOURCE_DIR "/tests/tools/simulated_pc/simulated-pc.json", profile, error)) << error;
    ASSERT_EQ(register_device_profile(profile), 0);

    device_store_c store;
    enumeration_progress_c progress;
    auto source = make_system_device_source();
    ASSERT_EQ(enumerate_devices(store, *source, progress), failure_code_c::none);

    // The prefix is a 64-bit Windows 7, as the expectations assume.
    ASSERT_TRUE(collect_basic_facts());
    ASSERT_STREQ(os_code(), "WIN764");
    ASSERT_EQ(os_version_number(), 61);
    machine_description_c query;
    query.os_code = os_code();
    query.os_version_number = os_version_number();
    query.model = L"System Product Name";
    query.lang = 437;

    http_global_init();
    update_service_c service;
    service.mirrors = {"http://127.0.0.1:1/", mirrors[1], mirrors[2]};
    service.installed_links_file = L"no-such-folder\\setup.dat";
    const query_outcome_c outcome = query_update_server(service, store, query);
    const bool succeeded = outcome.succeeded();
    service.transfer.reset();
    http_global_cleanup();
    ASSERT_TRUE(succeeded) << "failure " << failure_number(outcome.failure) << ", status " << outcome.http_status << ", " << outcome.failure_text;
    EXPECT_EQ(outcome.http_status, 200);
    // The simulated PC keeps no INF files in the driver store, so Windows cannot tell the installed
    // drivers' ranks: they read as 0.
    expect_demo_outcome(store, demo_expectations_unknown_ranks);
}
