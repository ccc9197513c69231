// Every skin image the windows name is in the program's resources at its size and at 125, 150 and
// 200 % of it, for every language; the icon groups load at the system sizes; the program registers
// every common control class its windows use.
#include "tests/win/ui_test_support_win.h"
#include "i18n/language_table.h"
#include "ui/kit/common_controls_win.h"
#include "ui/kit/skin_ids.h"
#include "ui/kit/skin_images_win.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

void expect_bitmap(int id, int width, int height) {
    const struct {
        int offset, percent;
    } scales[] = {{0, 100}, {1000, 125}, {2000, 150}, {3000, 200}};
    for (const auto& scale : scales) {
        const SIZE size = skin_image_size(id + scale.offset);
        EXPECT_EQ(size.cx, (width * scale.percent + 50) / 100) << "bitmap " << id << " at " << scale.percent << " %";
        EXPECT_EQ(size.cy, (height * scale.percent + 50) / 100) << "bitmap " << id << " at " << scale.percent << " %";
    }
}

}  // namespace

TEST(ui_skin, every_named_bitmap_has_its_size_at_every_scale) {
    for (const auto& image : skin_bitmaps)
        for (int id : {image.images.normal, image.images.hover, image.images.pressed})
            expect_bitmap(id, image.width, image.height);
}

TEST(ui_skin, every_language_has_its_start_button_and_banner) {
    load_test_language(L"English");
    const int english_button = start_scan_button_bitmap(0), english_banner = home_banner_bitmap();
    std::vector<std::wstring> languages = language_list();
    ASSERT_GE(languages.size(), 10u);
    for (const auto& language : languages) {
        load_test_language(language);
        for (int state = 0; state < 3; ++state)
            expect_bitmap(start_scan_button_bitmap(state), start_button_width, start_button_height);
        expect_bitmap(home_banner_bitmap(), banner_width, banner_height);
        // Its own words, not the English pictures.
        if (language != L"English") {
            EXPECT_NE(start_scan_button_bitmap(0), english_button) << std::string(language.begin(), language.end());
            EXPECT_NE(home_banner_bitmap(), english_banner) << std::string(language.begin(), language.end());
        }
    }
    load_test_language(L"English");
}

TEST(ui_skin, icons_load_at_the_large_and_small_sizes) {
    for (int id : {program_icon_id, alert_icon_id})
        for (int size : {16, 32, 48}) {
            HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
            ASSERT_NE(icon, nullptr) << id << " at " << size;
            ICONINFO info{};
            ASSERT_TRUE(GetIconInfo(icon, &info));
            BITMAP colour{};
            GetObjectW(info.hbmColor, sizeof colour, &colour);
            EXPECT_EQ(colour.bmWidth, size);
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            DestroyIcon(icon);
        }
}

TEST(ui_skin, the_image_cache_loads_each_image_once) {
    release_skin_images();
    HBITMAP first = skin_image(skin::dialog_button.normal);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(skin_image(skin::dialog_button.normal), first);
    EXPECT_EQ(skin_images_loaded(), 1);
    EXPECT_EQ(skin_image(1), nullptr);
    SIZE size = skin_image_size(skin::settings_separator);
    EXPECT_EQ(size.cx, 3);
    EXPECT_EQ(size.cy, 217);
    release_skin_images();
    EXPECT_EQ(skin_images_loaded(), 0);
}

TEST(ui_common_controls, the_tree_list_and_combo_classes_are_registered) {
    EXPECT_TRUE(program_control_classes & ICC_TREEVIEW_CLASSES);
    EXPECT_TRUE(program_control_classes & ICC_LISTVIEW_CLASSES);
    EXPECT_TRUE(program_control_classes & ICC_USEREX_CLASSES);
    EXPECT_TRUE(program_control_classes & ICC_STANDARD_CLASSES);
    ASSERT_TRUE(initialize_common_controls());
    for (const wchar_t* control : {WC_TREEVIEWW, WC_LISTVIEWW, WC_COMBOBOXEXW, WC_COMBOBOXW, PROGRESS_CLASSW}) {
        HWND made = CreateWindowExW(0, control, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        EXPECT_NE(made, nullptr) << static_cast<const void*>(control);
        if (made) DestroyWindow(made);
    }
}
