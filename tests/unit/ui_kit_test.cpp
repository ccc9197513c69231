// The widget kit's portable rules: the button state machine, the word-wrap rule, checked
// language formats, the pie chart's arithmetic, the device details rows and the close-to-tray
// mapping.
#include "ui/kit/button_state.h"
#include "ui/dialogs/config_rules.h"
#include "ui/pages/driver_group.h"
#include "ui/kit/language_format.h"
#include "ui/kit/pie_chart_model.h"
#include "ui/kit/word_wrap.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string_view>
#include <vector>

TEST(ui_button_state, enter_press_release_over_the_button_clicks_once) {
    button_state_c button;
    EXPECT_TRUE(button.move(true).changed);
    EXPECT_EQ(button.state(), button_state_c::hover);
    EXPECT_EQ(button.press(true).clicked, false);
    EXPECT_EQ(button.state(), button_state_c::pressed);
    auto released = button.release(true);
    EXPECT_TRUE(released.clicked);
    EXPECT_EQ(button.state(), button_state_c::hover);
    EXPECT_FALSE(button.release(true).clicked);  // a second release is no click
}

TEST(ui_button_state, press_dragged_out_and_released_outside_clicks_nothing) {
    button_state_c button;
    button.move(true);
    button.press(true);
    button.move(false);
    EXPECT_EQ(button.state(), button_state_c::normal);
    EXPECT_FALSE(button.release(false).clicked);
    EXPECT_EQ(button.state(), button_state_c::normal);
}

TEST(ui_button_state, a_press_elsewhere_released_over_the_button_clicks_nothing) {
    button_state_c close;  // the minimise button was pressed; the mouse went up over close
    close.move(true);
    EXPECT_FALSE(close.release(true).clicked);
    button_state_c fresh;  // even without a move first (state 0)
    EXPECT_FALSE(fresh.release(true).clicked);
}

TEST(ui_button_state, dragging_back_in_rearms_and_a_lost_capture_disarms) {
    button_state_c button;
    button.press(true);
    button.move(false);
    button.move(true);
    EXPECT_EQ(button.state(), button_state_c::pressed);
    EXPECT_TRUE(button.release(true).clicked);
    button.press(true);
    button.cancel();
    EXPECT_FALSE(button.release(true).clicked);
}

namespace {

// Every character 10 wide, 12 high (16 for a line with a "W"); tab stops every 8 x 6.
class fixed_measure_c : public text_measure_c {
public:
    std::vector<int> extents(std::wstring_view run) const override {
        std::vector<int> widths;
        for (std::size_t i = 0; i < run.size(); ++i) widths.push_back(int(i + 1) * 10);
        return widths;
    }
    int height(std::wstring_view run) const override { return run.find(L'W') != std::wstring_view::npos ? 16 : 12; }
    int average_width() const override { return 6; }
};

// Letters join as Arabic ones do: 10 alone, each further letter of a run only 6 more.
class joining_measure_c final : public fixed_measure_c {
public:
    std::vector<int> extents(std::wstring_view run) const override {
        std::vector<int> widths;
        for (std::size_t i = 0; i < run.size(); ++i) widths.push_back(10 + int(i) * 6);
        return widths;
    }
};

std::wstring line_text(const std::wstring& text, const wrapped_line_c& line) { return text.substr(line.begin, line.length); }

}  // namespace

TEST(ui_word_wrap, breaks_after_the_last_space_before_the_column_end) {
    std::wstring text = L"aaa bbb ccc";
    auto lines = wrap_lines(text, 75, fixed_measure_c());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(line_text(text, lines[0]), L"aaa bbb");
    EXPECT_EQ(line_text(text, lines[1]), L"ccc");
    EXPECT_EQ(wrapped_height(lines, 5), 12 + 5 + 12);
}

TEST(ui_word_wrap, breaks_at_the_point_without_a_space_and_at_line_feeds) {
    std::wstring text = L"abcdefghij\nxy";
    auto lines = wrap_lines(text, 45, fixed_measure_c());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(line_text(text, lines[0]), L"abcd");
    EXPECT_EQ(line_text(text, lines[1]), L"efgh");
    EXPECT_EQ(line_text(text, lines[2]), L"ij");
    EXPECT_EQ(line_text(text, lines[3]), L"xy");
}

TEST(ui_word_wrap, chinese_full_stops_and_closing_brackets_never_begin_a_line) {
    // Five characters fit; the sixth is the full stop, which takes the fifth to the next line.
    std::wstring text = L"\u66F4\u65B0\u4F3A\u670D\u5668\u3002";
    auto lines = wrap_lines(text, 50, fixed_measure_c());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(line_text(text, lines[1]), L"\u5668\u3002");
    // A line that would hold nothing else keeps its one character.
    EXPECT_EQ(wrap_lines(L"\u5668\u3002\u3002", 10, fixed_measure_c()).size(), 3u);
}

TEST(ui_word_wrap, a_line_is_as_tall_as_its_text_and_tabs_reach_the_next_stop) {
    std::wstring text = L"aW";
    EXPECT_EQ(wrap_lines(text, 100, fixed_measure_c())[0].height, 16);
    // "a" (10) then a tab to 48, then "b" (58): fits 60, not 50.
    EXPECT_EQ(wrap_lines(L"a\tb", 60, fixed_measure_c()).size(), 1u);
    EXPECT_EQ(wrap_lines(L"a\tb", 50, fixed_measure_c()).size(), 2u);
    EXPECT_TRUE(wrap_lines(L"", 50, fixed_measure_c()).empty());
    EXPECT_EQ(wrap_lines(L"abc", 5, fixed_measure_c()).size(), 3u);  // narrower than a character
}

TEST(ui_word_wrap, runs_are_measured_whole_so_joined_letters_fit_as_drawn) {
    // "abcd" joined is 28 wide, its letters alone 40: one line in 30.
    EXPECT_EQ(wrap_lines(L"abcd", 30, joining_measure_c()).size(), 1u);
    // Two words: "abcd ef" is 10 + 6 * 6 = 46 wide; in 40 it breaks at the space.
    std::wstring text = L"abcd ef";
    auto lines = wrap_lines(text, 40, joining_measure_c());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(line_text(text, lines[0]), L"abcd");
    EXPECT_EQ(line_text(text, lines[1]), L"ef");
}

TEST(ui_language_format, conversions_are_checked_against_the_arguments) {
    EXPECT_TRUE(format_matches(L"Out of date: %d", "d"));
    EXPECT_TRUE(format_matches(L"%sBuild date: %s %s", "sss"));
    EXPECT_TRUE(format_matches(L"100%% done, %5.2d", "d"));
    EXPECT_FALSE(format_matches(L"Out of date: %s", "d"));
    EXPECT_FALSE(format_matches(L"%d %d", "d"));
    EXPECT_FALSE(format_matches(L"%n", "d"));
    EXPECT_FALSE(format_matches(L"%*d", "d"));
    EXPECT_FALSE(format_matches(L"no placeholder", "d"));
    EXPECT_FALSE(format_matches(L"trailing %", ""));
}

TEST(ui_language_format, a_wrong_text_falls_back_to_english_then_to_the_bare_values) {
    EXPECT_EQ(format_checked(L"Veraltet: %d", L"Out of date: %d", {7}, 64), L"Veraltet: 7");
    EXPECT_EQ(format_checked(L"Veraltet: %s%s%s", L"Out of date: %d", {7}, 64), L"Out of date: 7");
    EXPECT_EQ(format_checked(L"%s", L"%n", {7}, 64), L"7");
    EXPECT_EQ(format_checked(L"%s und %s", L"", {L"a", L"b"}, 64), L"a und b");
    EXPECT_EQ(format_checked(L"[%-4d|%04d|%x|%.2s|%5s]", L"", {7, 7, 255, L"abc", L"z"}, 64), L"[7   |0007|ff|ab|    z]");
}

TEST(ui_language_format, left_to_right_values_are_embedded_in_right_to_left_text) {
    const std::wstring device = L"\u062C\u0647\u0627\u0632: %s";
    EXPECT_EQ(format_checked(device, L"", {L"Monitor (2)"}, 64, true), L"\u062C\u0647\u0627\u0632: \u202AMonitor (2)\u202C");
    // An Arabic value reads with the text around it.
    EXPECT_EQ(format_checked(device, L"", {L"\u0645"}, 64, true), L"\u062C\u0647\u0627\u0632: \u0645");
    EXPECT_EQ(format_checked(device, L"", {L"2019-05-20"}, 64, true), L"\u062C\u0647\u0627\u0632: 2019-05-20");
    EXPECT_EQ(format_checked(L"Device: %s", L"", {L"Monitor (2)"}, 64), L"Device: Monitor (2)");
}

TEST(ui_language_format, every_result_is_bounded) {
    std::wstring long_text(500, L'x');
    EXPECT_EQ(format_checked(L"%s!", L"", {long_text}, 32).size(), 31u);
    EXPECT_EQ(format_checked(L"New driver updates: %d", L"", {123456}, 32), L"New driver updates: 123456");
    EXPECT_EQ(format_checked(L"New driver updates: %d", L"", {123456}, 10).size(), 9u);
}

TEST(ui_pie_chart, slices_with_no_value_or_a_repeated_name_are_ignored) {
    pie_chart_model_c chart;
    EXPECT_FALSE(chart.add(L"none", L"No driver", 0, 0xFFCB9009));
    EXPECT_FALSE(chart.add(L"", L"empty name", 3, 0xFFCB9009));
    EXPECT_TRUE(chart.add(L"out", L"Out of date", 1, 0xFFD9403A));
    EXPECT_FALSE(chart.add(L"out", L"Again", 5, 0xFF000000));
    ASSERT_EQ(chart.slices().size(), 1u);
    EXPECT_EQ(chart.slices()[0].text, L"Out of date");
    EXPECT_EQ(pie_chart_model_c::label(chart.slices()[0]), L"100.00%");
    EXPECT_FLOAT_EQ(chart.slices()[0].sweep_angle, 360.0f);
}

TEST(ui_pie_chart, shares_angles_ids_and_labels) {
    pie_chart_model_c chart;
    chart.add(L"a", L"", 1, 0xFF000000);
    chart.add(L"b", L"", 2, 0xFF000000);
    chart.add(L"c", L"", 1, 0xFF000000);
    ASSERT_EQ(chart.slices().size(), 3u);
    EXPECT_EQ(chart.slices()[1].id, 1);
    EXPECT_FLOAT_EQ(chart.slices()[1].start_angle, 90.0f);
    EXPECT_FLOAT_EQ(chart.slices()[1].sweep_angle, 180.0f);
    EXPECT_EQ(pie_chart_model_c::label(chart.slices()[0]), L"25.00%");
    chart.clear();
    EXPECT_TRUE(chart.slices().empty());
    chart.add(L"z", L"", 3, 0xFF000000);
    EXPECT_EQ(chart.slices()[0].id, 0);
}

TEST(ui_pie_chart, colours_inclination_and_label_size) {
    EXPECT_EQ(pie_chart_model_c::brighten(0x00000000, 120), 0xFF787878u);
    EXPECT_EQ(pie_chart_model_c::brighten(0xFFFF0000, 120), 0xFFFF7878u);
    EXPECT_EQ(pie_chart_model_c::darken(0xFFFFFFFF, 10), 0xFFF5F5F5u);
    pie_chart_model_c chart;
    chart.set_inclination(120);
    EXPECT_EQ(chart.inclination(), 89.0);
    chart.set_inclination(-4);
    EXPECT_EQ(chart.inclination(), 0.0);
    EXPECT_EQ(pie_chart_model_c::label_points(109), 7);
    EXPECT_EQ(pie_chart_model_c::label_points(225), 9);
    EXPECT_EQ(pie_chart_model_c::label_points(300), 11);
}

TEST(ui_device_details, thirteen_rows_with_blanks_where_values_are_missing) {
    device_class_c setup_class;
    std::wcscpy(setup_class.name, L"Net");
    device_c device;
    std::wcscpy(device.instance_path, L"PCI\\VEN_1");
    std::wcscpy(device.inf_path, L"oem3.inf");
    device.hardware_ids = make_multi_string({L"PCI\\VEN_1&DEV_2", L"PCI\\VEN_1"});
    device.driver_rank = 0xFF0000;
    device.driver_rank_known = true;
    device.device_class = &setup_class;
    auto rows = device_detail_rows(device);
    ASSERT_EQ(rows.size(), 13u);
    EXPECT_STREQ(rows[0].label_key, "device_detail_list_device_id");
    EXPECT_EQ(rows[0].current, L"PCI\\VEN_1");
    EXPECT_EQ(rows[1].current, blank_value);
    EXPECT_EQ(rows[1].offered, blank_value);
    EXPECT_EQ(rows[3].current, L"PCI\\VEN_1&DEV_2");
    EXPECT_EQ(rows[9].current, L"Net");
    EXPECT_EQ(rows[12].current, L"00FF0000");
    device.driver_rank_known = false;
    EXPECT_EQ(device_detail_rows(device)[12].current, blank_value);

    driver_item_c offer;
    offer.inf_name = L"x64\\net\\netdrv.inf";
    offer.version = L"2.0.0.1";
    device.items.push_back(offer);
    device.best_index = 0;
    rows = device_detail_rows(device);
    EXPECT_EQ(rows[6].offered, L"netdrv.inf");
    EXPECT_EQ(rows[8].offered, L"2.0.0.1");
    EXPECT_EQ(rows[7].offered, blank_value);
}

TEST(ui_settings_rules, close_to_tray_keeps_a_shown_notice) {
    using choice = close_to_tray_c;
    EXPECT_EQ(close_to_tray_after(true, choice::quit), choice::hide_with_notice);
    EXPECT_EQ(close_to_tray_after(true, choice::hide_with_notice), choice::hide_with_notice);
    EXPECT_EQ(close_to_tray_after(true, choice::hide), choice::hide);
    EXPECT_EQ(close_to_tray_after(false, choice::hide), choice::quit);
    EXPECT_EQ(close_to_tray_from(7), choice::hide);
}
