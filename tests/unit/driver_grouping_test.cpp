// The download page's groups and panel texts: one group per package link in scan order of the
// devices, needed packages first, then by class and class description; the date lines and the
// header's text for eight and nine drivers.
#include "i18n/language_table.h"
#include "ui/pages/download_panel_text.h"
#include "ui/pages/driver_grouping.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>

namespace {

int plain_order(const wchar_t* a, const wchar_t* b) { return std::wcscmp(a, b); }

class driver_grouping_test : public ::testing::Test {
protected:
    void SetUp() override {
        const wchar_t* classes[][2] = {{L"Net", L"Network adapters"}, {L"Display", L"Display adapters"},
                                       {L"USB", L"Universal Serial Bus controllers"}, {L"HIDClass", L"Human Interface Devices"}};
        for (auto& entry : classes) {
            device_class_c made;
            std::wcscpy(made.name, entry[0]);
            std::wcscpy(made.description, entry[1]);
            made.guid.data1 = std::uint32_t(store_.classes.size() + 1);
            std::wcscpy(made.guid_text, made.guid.text().c_str());
            store_.classes.push_back(made);
        }
    }
    // A device of the class with a best and a latest offer.
    void add(const wchar_t* class_name, const char* best_link, bool best_update, const char* latest_link = "",
             bool latest_update = false) {
        device_c device;
        std::swprintf(device.display_name, 1025, L"device %zu", store_.devices.size());
        std::wcscpy(device.class_name, class_name);
        for (const device_class_c& known : store_.classes)
            if (std::wcscmp(known.name, class_name) == 0) std::wcscpy(device.class_guid, known.guid_text);
        device.items.resize(2);
        device.items[0].link = best_link;
        device.items[1].link = latest_link;
        device.best_index = 0;
        device.latest_index = 1;
        device.best_is_update = best_update;
        device.latest_is_update = latest_update;
        store_.devices.push_back(device);
    }
    static std::vector<std::string> links(const std::vector<driver_group_c>& groups) {
        std::vector<std::string> found;
        for (const driver_group_c& group : groups) found.push_back(group.link);
        return found;
    }

    device_store_c store_;
};

}  // namespace

TEST_F(driver_grouping_test, shared_links_group_and_needed_packages_sort_first_by_class) {
    add(L"USB", "http://files/usb.zip", false, "http://files/usb2.zip", true);
    add(L"Net", "http://files/lan.zip", true);
    add(L"HIDClass", "", true);                       // no link: no panel
    add(L"Display", "http://files/vga.zip", false);
    add(L"Net", "http://files/lan.zip", false);       // shares the first network package
    add(L"USB", "http://files/usb.zip", true);        // makes the USB package needed

    std::vector<driver_group_c> best = build_driver_groups(store_, package_mode_c::best, plain_order);
    EXPECT_EQ(links(best), (std::vector<std::string>{"http://files/lan.zip", "http://files/usb.zip", "http://files/vga.zip"}));
    ASSERT_EQ(best[0].devices.size(), 2u);
    EXPECT_EQ(best[0].devices[1], &store_.devices[4]);
    EXPECT_FALSE(best[1].none_needed);
    EXPECT_EQ(best[1].item, &store_.devices[0].items[0]);  // the first device's offer
    EXPECT_TRUE(best[2].none_needed);

    std::vector<driver_group_c> latest = build_driver_groups(store_, package_mode_c::latest, plain_order);
    EXPECT_EQ(links(latest), std::vector<std::string>{"http://files/usb2.zip"});
    EXPECT_EQ(latest[0].mode, package_mode_c::latest);
    EXPECT_EQ(class_rank(L"media"), 2);
    EXPECT_EQ(class_rank(L"Keyboard"), 6);
}

TEST(download_panel_text, date_lines_heights_and_header_counts) {
    ASSERT_TRUE(load_language_file(VANTOREL_SOURCE_DIR "/i18n/language.ini", L"English", true));
    // The line agrees with the mark: an offer is new only to a device that needs it, even when it
    // is dated later (a green panel) or not later (updated for its version).
    EXPECT_EQ(panel_date_line(true, L"2018-07-18", L"2018-09-24", true), L"Installed driver: 2018-07-18\tNew driver: 2018-09-24");
    EXPECT_EQ(panel_date_line(true, L"2018-07-18", L"2018-09-24", false),
              L"Installed driver: 2018-07-18\tOffered driver: 2018-09-24 (not newer)");
    EXPECT_EQ(panel_date_line(true, L"2019-07-05", L"2019-07-05", true), L"Installed driver: 2019-07-05\tNew driver: 2019-07-05");
    EXPECT_EQ(panel_date_line(true, L"2019-07-05", L"0000-00-00", true), L"Installed driver: 2019-07-05\tNew driver: date unknown");
    EXPECT_EQ(panel_date_line(true, L"2019-07-05", L"0000-00-00", false), L"Installed driver: 2019-07-05\tOffered driver: date unknown");
    // A device without a driver says so.
    EXPECT_EQ(panel_date_line(false, L"", L"2009-08-13", true), L"No driver installed\tNew driver: 2009-08-13");
    EXPECT_EQ(panel_date_line(false, L"", L"0000-00-00", true), L"No driver installed\tNew driver: date unknown");
    EXPECT_EQ(download_panel_height(14, 13, 2), 14 + 13 * 5 + 32 + 24);
    EXPECT_EQ(panel_progress_text(0, 2048), L"2.00K");
    EXPECT_EQ(panel_progress_text(1000, 2048), L"1000B/2.00K");
    EXPECT_EQ(panel_progress_text(2048, 2048), L"2.00K");
    EXPECT_STREQ(download_header_key({0, 0, 12}), "download_new_drivers_found3");
    EXPECT_STREQ(download_header_key({8, 0, 12}), "download_new_drivers_found1");
    EXPECT_STREQ(download_header_key({9, 0, 12}), "download_new_drivers_found2");
    // A device without a driver that has an offer is something to update: never "all up to date".
    EXPECT_STREQ(download_header_key({0, 1, 13}), "download_new_drivers_found1");
    EXPECT_STREQ(download_header_key({8, 1, 13}), "download_new_drivers_found2");
}
