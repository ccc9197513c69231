// Arabic reads right to left: the main window and the program's dialogs are mirrored (caption
// buttons and logo on the left, the sidebar on the left, a click on a mirrored tab reaches that
// tab), while the skin's images keep their orientation. Screenshots go under
// build/test-results/screens/<build>/ar/ for a human look.
#include "system/machine_facts.h"
#include "system/settings_win.h"
#include "system/wmi_facts.h"
#include "i18n/language_table.h"
#include "tests/win/main_window_fixture_win.h"
#include "tests/win/ui_gallery_win.h"
#include "ui/dialogs/about_window_win.h"
#include "ui/dialogs/config_window_win.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/dialogs/message_window_win.h"
#include "ui/kit/reading_direction_win.h"
#include "ui/kit/skin_ids.h"
#include "ui/kit/skin_images_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int caption_logo_image = skin::logo;
constexpr COLORREF mirrored_sidebar_colour = RGB(226, 240, 253);

// The skin image's pixels, top-down, 0x00RRGGBB.
std::vector<std::uint32_t> skin_image_pixels(int id, SIZE& size) {
    size = skin_image_size(id);
    std::vector<std::uint32_t> pixels(std::size_t(size.cx) * std::size_t(size.cy));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size.cx, -size.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    window_dc_c screen(nullptr);
    if (pixels.empty() || !GetDIBits(screen.get(), skin_image(id), 0, UINT(size.cy), pixels.data(), &info, DIB_RGB_COLORS))
        pixels.clear();
    for (auto& pixel : pixels) pixel &= 0x00FFFFFF;
    return pixels;
}

int colour_difference(std::uint32_t a, COLORREF b) {
    return std::abs(int((a >> 16) & 0xFF) - int(GetRValue(b))) + std::abs(int((a >> 8) & 0xFF) - int(GetGValue(b))) +
           std::abs(int(a & 0xFF) - int(GetBValue(b)));
}

// How the image shows with its top left near (x, y) of the captured window: the summed colour
// difference to the image as it is and to the image mirrored, each at its best place within a
// pixel or two (a mirrored rectangle may land a pixel aside); and how far the image differs from
// its own mirror (a symmetric image cannot tell).
struct image_match_c {
    long long as_is = LLONG_MAX, mirrored = LLONG_MAX, asymmetry = 0;
};
image_match_c match_image(const window_pixels_c& captured, int id, int x, int y) {
    SIZE size{};
    std::vector<std::uint32_t> image = skin_image_pixels(id, size);
    image_match_c match;
    if (image.empty()) return match;
    auto pixel = [&](int row, int column) { return image[std::size_t(row) * std::size_t(size.cx) + std::size_t(column)]; };
    for (int row = 0; row < size.cy; ++row)
        for (int column = 0; column < size.cx; ++column) {
            std::uint32_t other = pixel(row, size.cx - 1 - column);
            match.asymmetry += colour_difference(pixel(row, column), RGB((other >> 16) & 0xFF, (other >> 8) & 0xFF, other & 0xFF));
        }
    for (int dx = -2; dx <= 2; ++dx) {
        long long as_is = 0, mirrored = 0;
        for (int row = 0; row < size.cy; ++row)
            for (int column = 0; column < size.cx; ++column) {
                COLORREF shown = captured.at(x + dx + column, y + row);
                as_is += colour_difference(pixel(row, column), shown);
                mirrored += colour_difference(pixel(row, size.cx - 1 - column), shown);
            }
        match.as_is = std::min(match.as_is, as_is);
        match.mirrored = std::min(match.mirrored, mirrored);
    }
    return match;
}

// Shown where expected, and (for an image that differs from its mirror) the right way round.
void expect_unmirrored(const window_pixels_c& captured, int id, int x, int y, const char* what) {
    image_match_c match = match_image(captured, id, x, y);
    SIZE size = skin_image_size(id);
    long long area = std::max(1L, size.cx * size.cy);
    EXPECT_LT(match.as_is / area, 4) << what << ": the image is not there as drawn";
    if (match.asymmetry > 8 * area) {
        EXPECT_GT(match.mirrored, match.as_is + match.asymmetry / 2) << what << ": the image shows mirrored";
    }
}

class ui_reading_direction_test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(collect_basic_facts());
        ASSERT_TRUE(load_settings());
        collect_wmi_facts();
        load_test_language(L"\u0627\u0644\u0639\u0631\u0628\u064A\u0629");  // mirrors the windows made next
    }
    void TearDown() override { load_test_language(L"English"); }
};

}  // namespace

TEST_F(ui_reading_direction_test, main_window_and_its_box_are_mirrored_and_images_are_not) {
    ASSERT_TRUE(reads_right_to_left());
    test_main_window_c main;
    ASSERT_TRUE(main->create_main_window());
    ShowWindow(main->handle(), SW_SHOW);
    ASSERT_TRUE(pump_until_painted(main->handle()));
    save_screenshot(main->handle(), "main-home");
    EXPECT_TRUE(is_mirrored(main->handle()));
    EXPECT_TRUE(is_mirrored(main->current_page()));

    window_pixels_c pixels = capture_window(main->handle());
    int frame = GetSystemMetrics(SM_CXFRAME), top = GetSystemMetrics(SM_CYFRAME);
    // The sidebar is on the left, the home page's title band on the right.
    EXPECT_TRUE(colour_near(pixels.at(frame + 20, pixels.height - frame - 8), mirrored_sidebar_colour, 3));
    EXPECT_FALSE(colour_near(pixels.at(pixels.width - frame - 20, pixels.height - frame - 8), mirrored_sidebar_colour, 3));
    // The logo sits 20 pixels from the left frame (its right-hand place, mirrored), readable.
    expect_unmirrored(pixels, caption_logo_image, frame + 20, top + 40, "logo");

    // A click where the download tab shows reaches it: without results it tells so in a box,
    // mirrored too, its icon on the right, its text area filled to its edge.
    bool boxed = false;
    {
        modal_answerer_c answerer(GetCurrentThreadId(), [&](HWND box, const std::wstring&) {
            save_screenshot(box, "main-download-tab-box");
            EXPECT_TRUE(is_mirrored(box));
            window_pixels_c shown = capture_window(box);
            RECT client;
            GetClientRect(box, &client);
            int client_left = (shown.width - client.right) / 2, client_top = shown.height - client_left - client.bottom;
            // Client x 15 counts from the right: the icon's left edge is its width further left.
            SIZE icon = skin_image_size(message_kind_icon(message_kind_c::warning));
            expect_unmirrored(shown, message_kind_icon(message_kind_c::warning), client_left + client.right - 15 - icon.cx, client_top + 30,
                              "box icon");
            // The text area (client x 80 to 272) has its face colour up to its last column.
            EXPECT_TRUE(colour_near(shown.at(client_left + client.right - 80 - 1, client_top + 115), RGB(226, 240, 253), 3));
            boxed = true;
            press_dialog_button(box, IDOK);
        }, 400);
        POINT at = caption_button_point(*main, main->caption_buttons()[1].get());
        EXPECT_GT(at.x - screen_point(main->handle(), 0, 0).x, pixels.width / 2);  // the second tab, on the right
        mouse_click_at(at.x, at.y);
        ASSERT_TRUE(pump_until([&] { return boxed; }, ui_timeout_ms));
    }
    EXPECT_TRUE(boxed);
    main.destroy();
}

TEST_F(ui_reading_direction_test, dialogs_and_the_kit_for_a_look) {
    {
        gallery_window_c gallery;
        ASSERT_TRUE(gallery.create_gallery());
        ShowWindow(gallery.handle(), SW_SHOWNORMAL);
        gallery.panels.scroll_to(100);
        EXPECT_TRUE(pump_until_painted(gallery.handle()));
        save_screenshot(gallery.handle(), "gallery");
        DestroyWindow(gallery.handle());
        pump_messages(100);
    }
    auto photograph = [](const std::string& name, const std::function<void()>& run) {
        bool shown = false;
        modal_answerer_c answerer(GetCurrentThreadId(), [&](HWND dialog, const std::wstring&) {
            save_screenshot(dialog, name);
            shown = is_mirrored(dialog);
            press_dialog_button(dialog, IDCANCEL);
        }, 400);
        run();
        EXPECT_TRUE(shown) << name << " is not mirrored";
    };
    photograph("message-3", [] { message_window_c(language_text("remove_confirm"), message_kind_c::question).run(nullptr); });
    succeeding_task_calls_c calls;
    photograph("settings", [&] { config_window_c(&calls).run(nullptr); });
    recording_launcher_c launcher;
    photograph("about", [&] { about_window_c(launcher).run(nullptr); });
}
