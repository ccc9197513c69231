#include "service/driver_matching.h"
#include "service/hidden_offers.h"
#include "tests/unit/test_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>

namespace {

driver_item_c offer(std::uint32_t targetos, std::uint32_t sign, std::uint32_t feature, std::uint32_t cp,
                    const wchar_t* date, const wchar_t* version, const char* link = "http://x/a.zip") {
    driver_item_c item;
    item.targetos = targetos;
    item.sign = sign;
    item.feature = feature;
    item.cp = cp;
    item.date = date;
    item.version = version;
    item.hardid = L"PCI\\VEN_1&DEV_2";
    item.link = link;
    return item;
}

device_c device_with(std::vector<driver_item_c> items) {
    device_c device;
    device.items = std::move(items);
    device.item_count = std::uint32_t(device.items.size());
    device.has_driver = true;
    std::wcscpy(device.matching_device_id, L"pci\\ven_1&dev_2");
    std::wcscpy(device.driver_date, L"2015-05-05");
    std::wcscpy(device.driver_version, L"6.1.7600.16384");
    device.driver_rank = 0x00FF0000;  // signature level 0, feature level 255 on 6.x
    device.driver_rank_known = true;
    return device;
}

matching_context_c on(std::int32_t os, const std::set<std::string>* links = nullptr) { return {os, links}; }

}  // namespace

TEST(driver_matching, versions_read_as_four_numbers) {
    EXPECT_TRUE(version_newer("6.1.7600.16385", "6.1.7600.16384"));
    EXPECT_FALSE(version_newer("6.1.7600.16384", "6.1.7600.16384"));
    EXPECT_FALSE(version_newer("6.1", "6.1.0.0"));
    EXPECT_TRUE(version_newer("10.0", "9.99.99.99"));
    EXPECT_FALSE(version_newer("1..2", "1.0.0.0"));
    EXPECT_FALSE(version_newer("", "0"));
    EXPECT_TRUE(version_newer("1.2.3.4.5", "1.2.3.3"));
}

TEST(driver_matching, signature_and_feature_levels_from_the_rank) {
    EXPECT_EQ(signature_level(0x00FF0000, 61), 0u);
    EXPECT_EQ(feature_level(0x00FF0000, 61), 255u);
    EXPECT_EQ(signature_level(0x0F000000, 61), 1u);
    EXPECT_EQ(signature_level(0x80000000, 61), 3u);
    EXPECT_EQ(signature_level(0x00004000, 51), 3u);
    EXPECT_EQ(signature_level(0x00002000, 51), 0u);
    EXPECT_EQ(feature_level(0x12345678, 51), 255u);
    EXPECT_EQ(feature_level(0x12345678, 61), 0x34u);
}

TEST(driver_matching, target_os_closeness_decides_first_and_ties_keep_the_earlier) {
    device_c device = device_with({offer(60, 0, 0, 0, L"2020-01-01", L"1"), offer(61, 0, 0, 0, L"2019-01-01", L"1")});
    choose_items(on(61), device);
    EXPECT_EQ(device.best_index, 1);
    choose_items(on(62), device);
    EXPECT_EQ(device.best_index, 1);
    device_c tie = device_with({offer(60, 0, 0, 0, L"2019-01-01", L"1"), offer(62, 0, 0, 0, L"2020-01-01", L"1")});
    choose_items(on(61), tie);
    EXPECT_EQ(tie.best_index, 0);
    EXPECT_EQ(tie.latest_index, 1);  // latest goes by date alone
}

TEST(driver_matching, with_equal_target_the_order_is_sign_feature_cp_date_version) {
    auto best_of = [](std::vector<driver_item_c> items) {
        device_c device = device_with(std::move(items));
        choose_items(on(61), device);
        return device.best_index;
    };
    EXPECT_EQ(best_of({offer(61, 1, 0, 0, L"2021-01-01", L"9"), offer(61, 0, 9, 9, L"2000-01-01", L"1")}), 1);
    EXPECT_EQ(best_of({offer(61, 0, 5, 0, L"2021-01-01", L"9"), offer(61, 0, 4, 9, L"2000-01-01", L"1")}), 1);
    EXPECT_EQ(best_of({offer(61, 0, 4, 5, L"2021-01-01", L"9"), offer(61, 0, 4, 4, L"2000-01-01", L"1")}), 1);
    EXPECT_EQ(best_of({offer(61, 0, 4, 4, L"2021-01-01", L"1"), offer(61, 0, 4, 4, L"2021-01-02", L"0")}), 1);
    EXPECT_EQ(best_of({offer(61, 0, 4, 4, L"2021-01-01", L"1.2"), offer(61, 0, 4, 4, L"2021-01-01", L"1.10")}), 1);
    EXPECT_EQ(best_of({offer(61, 0, 4, 4, L"2021-01-01", L"1.2"), offer(61, 0, 4, 4, L"2021-01-01", L"1.2")}), 0);
}

TEST(driver_matching, judging_best_follows_signature_feature_hardid_date_version) {
    // Rank with bits 24-31 clear and 16-23 set: level 0 and 255; sign 0 feature 0 wins outright.
    device_c better_feature = device_with({offer(61, 0, 0, 0, L"2000-01-01", L"1")});
    choose_items(on(61), better_feature);
    EXPECT_TRUE(better_feature.best_is_update);

    device_c other_hardid = device_with({offer(61, 0, 255, 0, L"2000-01-01", L"1")});
    other_hardid.items[0].hardid = L"PCI\\VEN_1&DEV_3";
    choose_items(on(61), other_hardid);
    EXPECT_TRUE(other_hardid.best_is_update);

    device_c same_date = device_with({offer(61, 0, 255, 0, L"2015-05-05", L"6.1.7600.16385")});
    choose_items(on(61), same_date);
    EXPECT_TRUE(same_date.best_is_update);
    same_date.items[0].version = L"6.1.7600.16384";
    choose_items(on(61), same_date);
    EXPECT_FALSE(same_date.best_is_update);

    device_c older = device_with({offer(61, 0, 255, 0, L"2014-01-01", L"9.9")});
    choose_items(on(61), older);
    EXPECT_FALSE(older.best_is_update);
    EXPECT_FALSE(older.latest_is_update);
}

TEST(driver_matching, latest_ignores_signatures_and_installed_links_are_not_offered) {
    device_c unsigned_newer = device_with({offer(61, 3, 255, 0, L"2020-01-01", L"1")});
    choose_items(on(61), unsigned_newer);
    EXPECT_FALSE(unsigned_newer.best_is_update);
    EXPECT_TRUE(unsigned_newer.latest_is_update);

    std::set<std::string> links = {"http://x/a.zip"};
    device_c installed = device_with({offer(61, 0, 0, 0, L"2020-01-01", L"9")});
    choose_items(on(61, &links), installed);
    EXPECT_FALSE(installed.best_is_update);
    EXPECT_FALSE(installed.latest_is_update);

    device_c no_driver = device_with({offer(61, 3, 255, 0, L"2000-01-01", L"1")});
    no_driver.has_driver = false;
    choose_items(on(61, &links), no_driver);
    EXPECT_TRUE(no_driver.best_is_update);
    EXPECT_TRUE(no_driver.latest_is_update);

    device_c single = device_with({offer(61, 0, 0, 0, L"2020-01-01", L"9")});
    choose_items(on(61), single);
    EXPECT_EQ(single.best_index, 0);
    EXPECT_EQ(single.latest_index, 0);
    device_c none = device_with({});
    choose_items(on(61), none);
    EXPECT_EQ(none.best_item(), nullptr);
    EXPECT_FALSE(none.best_is_update);
}

TEST(driver_matching, every_judgement_of_the_best_offer_says_what_decided_it) {
    // Installed: signature level 0, feature level 255, for pci\ven_1&dev_2, of 2015-05-05.
    std::set<std::string> installed_links = {"http://x/started.zip"};
    struct case_c {
        driver_item_c item;
        bool has_driver;
        offer_reason_c reason;
        bool update;
    } cases[] = {
        {offer(61, 0, 0, 0, L"2000-01-01", L"1"), false, offer_reason_c::no_driver, true},
        {offer(61, 0, 0, 0, L"2000-01-01", L"1"), true, offer_reason_c::better_feature, true},
        {offer(61, 1, 0, 0, L"2030-01-01", L"9"), true, offer_reason_c::worse_signature, false},
        {offer(61, 0, 255, 0, L"2016-01-01", L"1"), true, offer_reason_c::newer, true},
        {offer(61, 0, 255, 0, L"2014-01-01", L"9"), true, offer_reason_c::not_newer, false},
        {offer(61, 0, 255, 0, L"2016-01-01", L"1", "http://x/started.zip"), true, offer_reason_c::already_installed, false},
    };
    for (const case_c& c : cases) {
        device_c device = device_with({c.item});
        device.has_driver = c.has_driver;
        choose_items(on(61, &installed_links), device);
        EXPECT_EQ(device.best_reason, c.reason) << offer_reason_name(device.best_reason);
        EXPECT_EQ(device.best_is_update, c.update) << offer_reason_name(c.reason);
    }
    device_c other = device_with({offer(61, 0, 255, 0, L"2000-01-01", L"1")});
    other.items[0].hardid = L"PCI\\VEN_1&DEV_3";
    choose_items(on(61), other);
    EXPECT_EQ(other.best_reason, offer_reason_c::other_id);
    // A signature better than the installed driver's: an installed level 1 against an offer's 0.
    device_c signature = device_with({offer(61, 0, 255, 0, L"2000-01-01", L"1")});
    signature.driver_rank = 0x0FFF0000;
    choose_items(on(61), signature);
    EXPECT_EQ(signature.best_reason, offer_reason_c::better_signature);
    device_c none = device_with({});
    choose_items(on(61), none);
    EXPECT_EQ(none.best_reason, offer_reason_c::no_offer);
    EXPECT_STREQ(offer_reason_name(offer_reason_c::worse_feature), "worse_feature");
}

TEST(driver_matching, hidden_updates_are_none_until_a_newer_version_comes_or_hidden_ones_are_shown) {
    scratch_folder_c folder;
    const std::wstring list = (folder.path() / "hidden.dat").wstring();
    hidden_offers_c hidden;
    hidden.hide(L"PCI\\VEN_1&DEV_2\\3&1", L"7.0.0.0");
    hidden.hide(L"USB\\ROOT_HUB\\4&2", L"");
    hidden.hide(L"pci\\ven_1&dev_2\\3&1", L"7.0.0.0");  // the same device, written in another case
    ASSERT_TRUE(write_hidden_offers(list, hidden));
    const std::optional<hidden_offers_c> read = read_hidden_offers(list);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->entries().size(), 2u);
    struct case_c {
        const wchar_t* instance_path;
        const wchar_t* offered_version;
        bool show_hidden;
        bool update;
        offer_reason_c reason;
    } cases[] = {
        {L"PCI\\VEN_1&DEV_2\\3&1", L"7.0.0.0", false, false, offer_reason_c::hidden},
        {L"PCI\\VEN_1&DEV_2\\3&1", L"6.9.0.0", false, false, offer_reason_c::hidden},  // older than the hidden one
        {L"PCI\\VEN_1&DEV_2\\3&1", L"7.0.0.1", false, true, offer_reason_c::newer},    // newer: offered again
        {L"PCI\\VEN_1&DEV_2\\3&1", L"7.0.0.0", true, true, offer_reason_c::newer},     // shown, marked
        {L"USB\\ROOT_HUB\\4&2", L"99.0.0.0", false, false, offer_reason_c::hidden},    // never for this device
        {L"PCI\\OTHER\\5&3", L"7.0.0.0", false, true, offer_reason_c::newer},
    };
    for (const case_c& c : cases) {
        SCOPED_TRACE(testing::Message() << c.offered_version << (c.show_hidden ? " shown" : ""));
        device_c device = device_with({offer(61, 0, 0xFF, 0, L"2016-01-01", c.offered_version)});
        std::wcscpy(device.instance_path, c.instance_path);
        matching_context_c context = on(61);
        context.hidden = &*read;
        context.show_hidden = c.show_hidden;
        choose_items(context, device);
        EXPECT_EQ(device.best_is_update, c.update);
        EXPECT_EQ(device.latest_is_update, c.update);
        EXPECT_EQ(device.best_reason, c.reason);
        EXPECT_EQ(device.best_hidden, c.reason == offer_reason_c::hidden || c.show_hidden);
    }
    hidden_offers_c changed = *read;
    EXPECT_EQ(changed.unhide(L"usb\\root_hub\\4&2", L""), 1u);
    EXPECT_EQ(changed.unhide(L"PCI\\VEN_1&DEV_2\\3&1", L"6.0"), 0u);
    EXPECT_EQ(changed.entries().size(), 1u);
}
