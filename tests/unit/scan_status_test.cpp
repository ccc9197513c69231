// What the scan page and the results show, apart from drawing: the status box, the bar, the
// clock texts, the error text of each failed query, and the counts and score of a scan.
#include "i18n/language_table.h"
#include "common/failure_code.h"
#include "ui/pages/result_counts.h"
#include "ui/pages/scan_status.h"

#include <gtest/gtest.h>

TEST(scan_status, box_progress_and_clock_texts) {
    // Main area 550: a narrow text gets the middle two thirds, a wide one its own width, centred.
    status_box_c narrow = scan_status_box(800, 500, 300, 14);
    EXPECT_EQ(narrow.left, 91);
    EXPECT_EQ(narrow.right, 458);
    EXPECT_EQ(narrow.top, (500 - (5 * 14 + 40)) / 2);
    EXPECT_EQ(narrow.bottom - narrow.top, 110);
    status_box_c wide = scan_status_box(800, 500, 400, 14);
    EXPECT_EQ(wide.left, 75);
    EXPECT_EQ(wide.right - wide.left, 400);

    EXPECT_EQ(scan_progress_fraction(5, 0), 0.0f);
    EXPECT_EQ(scan_progress_fraction(7, 5), 1.0f);
    EXPECT_FLOAT_EQ(scan_progress_fraction(1, 4), 0.25f);

    EXPECT_STREQ(waiting_dots(30), L".");
    EXPECT_STREQ(waiting_dots(31), L"..");
    EXPECT_STREQ(waiting_dots(32), L"...");
    EXPECT_EQ(elapsed_text(3 * 3600 + 25 * 60 + 7), L"03:25:07");
    EXPECT_EQ(elapsed_text(25 * 3600 + 1), L"01:00:01");
    EXPECT_EQ(elapsed_text(-40), L"00:00:00");
}

TEST(scan_status, each_query_failure_has_its_text_or_none) {
    ASSERT_TRUE(load_language_file(VANTOREL_SOURCE_DIR "/i18n/language.ini", L"English", true));
    EXPECT_EQ(scan_error_text(failure_code_c::network_timeout, 504, L""), language_text("error_network_timeout"));
    EXPECT_EQ(scan_error_text(failure_code_c::transfer_create, 0, L""), language_text("error_internal_error"));
    EXPECT_EQ(scan_error_text(failure_code_c::compress, 0, L""), language_text("error_internal_error"));
    EXPECT_EQ(scan_error_text(failure_code_c::network, 503, L""), L"The update server could not be reached (HTTP error 503).");
    EXPECT_EQ(scan_error_text(failure_code_c::network, 200, L"Failure writing output"), L"Failure writing output");
    EXPECT_EQ(scan_error_text(failure_code_c::invalid_answer, 200, L""), language_text("error_invalid_date"));
    EXPECT_FALSE(scan_error_text(failure_code_c::file_open, 0, L"").has_value());
    EXPECT_EQ(scan_error_text(failure_code_c::no_thread, 0, L""), language_text("error_internal_error"));
    EXPECT_FALSE(scan_error_text(failure_code_c::none, 0, L"").has_value());
}

TEST(result_counts, counts_use_the_best_offers_and_the_score_turns_green_at_seventy) {
    device_store_c store;
    auto add = [&](bool has_driver, bool update, bool offered, int instances) {
        device_c device;
        device.has_driver = has_driver;
        device.best_is_update = update;
        if (offered) device.items.resize(1);
        device.instance_count = instances;
        store.devices.push_back(device);
    };
    add(true, true, true, 2);    // out of date, two instances
    add(false, true, true, 1);   // no driver
    add(true, false, true, 17);  // up to date
    add(true, false, false, 5);  // no offers: not counted
    result_counts_c counts = count_results(store);
    EXPECT_EQ(counts.out_of_date, 2);
    EXPECT_EQ(counts.no_driver, 1);
    EXPECT_EQ(counts.matched, 20);
    EXPECT_EQ(counts.up_to_date(), 17);
    EXPECT_EQ(counts.score(), 72);  // 100 x 289 / 400

    result_counts_c sixty_nine{0, 0, 0};
    sixty_nine.matched = 1000;
    sixty_nine.out_of_date = 169;  // 831^2 / 1000^2 = 0.690561
    EXPECT_EQ(sixty_nine.score(), 69);
    sixty_nine.out_of_date = 163;  // 837^2 / 1000^2 = 0.700569
    EXPECT_EQ(sixty_nine.score(), 70);
    EXPECT_EQ(result_counts_c{}.score(), -1);
}
