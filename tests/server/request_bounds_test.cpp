// What one hostile request can cost: candidates weighed, answer writes, answer size.
#include "server/http/answer_size_limit.h"
#include "server/catalog/catalog_index.h"
#include "server/scan/scan_answer_writer.h"
#include "tests/server/test_catalogs.h"

#include <gtest/gtest.h>

namespace {

catalog_index_c generic_catalog(std::size_t count, int os_major = 0) {
    return catalog_index_c(generic_packages(count, "Display adapter with a long description ", os_major));
}

scan_request_c generic_request(std::size_t devices) {
    scan_request_c request;
    request.os_code = "WIN764";
    for (std::size_t d = 0; d < devices; ++d) {
        requested_device_c device;
        device.id = "PCI\\VEN_1&DEV_" + std::to_string(d);
        device.device_ids = {"PCI\\VEN_1&DEV_0", "PCI\\CC_0300"};
        device.hardware_id_count = 1;
        request.devices.push_back(device);
    }
    return request;
}

// As generic_request, each device with one ID of its own besides.
scan_request_c distinct_request(std::size_t devices) {
    scan_request_c request = generic_request(devices);
    for (std::size_t d = 0; d < devices; ++d) request.devices[d].device_ids.push_back(request.devices[d].id);
    return request;
}

}  // namespace

TEST(request_bounds, candidates_weighed_per_request_are_capped_and_a_request_past_the_cap_is_refused) {
    catalog_index_c index = generic_catalog(5000);
    bool over_budget = false;
    // Each device may weigh 4,096 entries; sixteen of them use up the request's 65,536.
    auto offers = offers_for_request(distinct_request(17), index, 20, &over_budget);
    ASSERT_EQ(offers.size(), 17u);
    EXPECT_TRUE(over_budget);
    EXPECT_TRUE(offers.back().empty());
    offers_for_request(distinct_request(16), index, 20, &over_budget);
    EXPECT_TRUE(over_budget);  // the last line of the budget taken: what follows may have been cut
    offers_for_request(distinct_request(15), index, 20, &over_budget);
    EXPECT_FALSE(over_budget);
}

TEST(request_bounds, devices_asking_with_the_same_ids_are_matched_once) {
    catalog_index_c index = generic_catalog(5000);
    bool over_budget = true;
    // Four thousand identical devices cost what one does, and every one gets its offers.
    auto offers = offers_for_request(generic_request(4096), index, 20, &over_budget);
    EXPECT_FALSE(over_budget);
    ASSERT_EQ(offers.size(), 4096u);
    EXPECT_EQ(offers.back().size(), 20u);
    EXPECT_EQ(offers.back().front().entry, offers.front().front().entry);
    // Case does not make a device another one.
    scan_request_c request = generic_request(2);
    request.devices[1].device_ids = {"pci\\ven_1&dev_0", "pci\\cc_0300"};
    offers = offers_for_request(request, index, 20, &over_budget);
    EXPECT_EQ(offers[1].size(), offers[0].size());
}

TEST(request_bounds, lines_read_and_not_offered_count_against_the_budget_too) {
    // Every line names the ID, none is for the request's Windows version: nothing is offered, yet
    // every line read is work.
    catalog_index_c index = generic_catalog(5000, 10);
    scan_request_c request = generic_request(40);
    client_target_c target = client_target_for(request.os_code);
    match_budget_c budget;
    for (const requested_device_c& device : request.devices) EXPECT_TRUE(index.offers_for(device, target, 20, budget).empty());
    EXPECT_EQ(budget.left, 0u);
}

TEST(request_bounds, a_large_answer_is_shrunk_by_a_computed_factor_in_few_writes) {
    catalog_index_c index = generic_catalog(100);
    scan_request_c request = generic_request(12);
    answer_settings_c settings;
    settings.items_per_device = 50;
    auto offers = offers_for_request(request, index, settings.items_per_device);
    std::string whole = write_scan_answer(request, index, settings);
    std::string out;
    std::size_t limit = whole.size() / 7;
    fitted_answer_c fitted = fit_scan_answer(request, index, offers, settings, limit, out);
    EXPECT_EQ(fitted.outcome, answer_fit_c::fits);
    EXPECT_LE(out.size(), limit);
    EXPECT_LE(fitted.writes, 3u);
    EXPECT_GE(fitted.items_per_device, 3u);  // not halved down further than needed
    EXPECT_LT(fitted.items_per_device, 8u);
    EXPECT_EQ(out.rfind("</kelvdoc>\n"), out.size() - 11);
}

TEST(request_bounds, an_answer_with_no_room_for_any_offer_is_refused_not_empty) {
    catalog_index_c index = generic_catalog(3);
    scan_request_c request = generic_request(2);
    answer_settings_c settings;
    auto offers = offers_for_request(request, index, settings.items_per_device);
    std::string skeleton;
    write_scan_answer(request, index, std::vector<std::vector<driver_offer_c>>(2), settings, std::size_t(-1), skeleton);
    std::string out;
    // Room for the devices but not one item: not an answer that says "no updates".
    EXPECT_EQ(fit_scan_answer(request, index, offers, settings, skeleton.size() + 10, out).outcome,
              answer_fit_c::shrunk_to_nothing);
    EXPECT_EQ(fit_scan_answer(request, index, offers, settings, skeleton.size() / 2, out).outcome,
              answer_fit_c::too_many_devices);
    // A request without offers is answered, empty.
    scan_request_c unknown = generic_request(2);
    unknown.os_code = "WIN7";
    auto none = offers_for_request(unknown, index, settings.items_per_device);
    EXPECT_EQ(fit_scan_answer(unknown, index, none, settings, skeleton.size() + 10, out).outcome, answer_fit_c::fits);
}
