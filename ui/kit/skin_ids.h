// Every skin bitmap the windows name, by name, and the table of their sizes: the skin's manifest
// must give each of them at exactly this size (a test checks the program's resources against
// this table). The numbers are the manifest's resource ids.
#pragma once

// A button's three images: normal, hover and pressed. A picture that never changes is one
// image in all three states.
struct skin_states_c {
    int normal;
    int hover;
    int pressed;
};

constexpr skin_states_c skin_still(int image) { return {image, image, image}; }

namespace skin {
// main window caption: title strip, logo, navigation tabs, title-bar buttons
constexpr int title_strip = 273, logo = 335;
constexpr skin_states_c tab_home{236, 237, 238}, tab_download{239, 240, 241}, tab_backup{258, 259, 260},
    tab_restore{264, 265, 266}, tab_settings{270, 271, 272};
constexpr skin_states_c caption_menu{274, 275, 276}, caption_minimise{277, 278, 279},
    caption_maximise{280, 281, 282}, caption_restore{283, 284, 285}, caption_close{286, 287, 288};

// home and scan pages
constexpr int page_band = 298, steps = 297, page_separator = 293, shield_icon = 294, sidebar_picture = 295;
constexpr int scan_picture = 301, devices_picture = 303, scan_progress = 302;

// download page: the header, the status signs of the rows and the legend, the buttons
constexpr int download_band = 310, download_header_icon = 365;
constexpr int sign_no_driver = 359, sign_out_of_date = 360, sign_up_to_date = 361, sign_total = 364;
constexpr skin_states_c panel_button{307, 308, 309}, download_all_button{366, 368, 369};

// backup and restore pages
constexpr skin_states_c big_button{468, 469, 470};
constexpr int backup_progress = 474, backup_settings_icon = 471, details_icon = 472, restore_settings_icon = 475;

// dialogs
constexpr skin_states_c dialog_close{323, 324, 325}, dialog_button{329, 330, 331}, message_button{356, 357, 358},
    about_button{348, 349, 350};
constexpr int message_error = 351, message_warning = 352, message_information = 353, message_question = 354;
constexpr int settings_separator = 332;
}  // namespace skin

struct skin_bitmap_c {
    skin_states_c images;
    int width;
    int height;
};

// The language-dependent start buttons and banners are listed with the language table.
constexpr skin_bitmap_c skin_bitmaps[] = {
    {skin_still(skin::title_strip), 5, 24}, {skin_still(skin::logo), 161, 50},
    {skin::tab_home, 83, 67}, {skin::tab_download, 83, 67}, {skin::tab_backup, 83, 67},
    {skin::tab_restore, 83, 67}, {skin::tab_settings, 83, 67},
    {skin::caption_menu, 30, 21}, {skin::caption_minimise, 30, 21}, {skin::caption_maximise, 30, 21},
    {skin::caption_restore, 30, 21}, {skin::caption_close, 30, 21},

    {skin_still(skin::page_band), 5, 40}, {skin_still(skin::steps), 470, 70},
    {skin_still(skin::page_separator), 18, 2}, {skin_still(skin::shield_icon), 24, 24},
    {skin_still(skin::sidebar_picture), 48, 48}, {skin_still(skin::scan_picture), 60, 60},
    {skin_still(skin::devices_picture), 160, 60}, {skin_still(skin::scan_progress), 520, 20},

    {skin_still(skin::download_band), 5, 40}, {skin_still(skin::download_header_icon), 38, 32},
    {skin_still(skin::sign_no_driver), 16, 16}, {skin_still(skin::sign_out_of_date), 16, 16},
    {skin_still(skin::sign_up_to_date), 16, 16}, {skin_still(skin::sign_total), 16, 16},
    {skin::panel_button, 80, 22}, {skin::download_all_button, 106, 27},

    {skin::big_button, 220, 100}, {skin_still(skin::backup_progress), 520, 20},
    {skin_still(skin::backup_settings_icon), 16, 16}, {skin_still(skin::details_icon), 16, 16},
    {skin_still(skin::restore_settings_icon), 16, 16},

    {skin::dialog_close, 31, 21}, {skin::dialog_button, 80, 22}, {skin::message_button, 70, 24},
    {skin::about_button, 130, 24}, {skin_still(skin::settings_separator), 3, 217},
    {skin_still(skin::message_error), 48, 48}, {skin_still(skin::message_warning), 48, 48},
    {skin_still(skin::message_information), 48, 48}, {skin_still(skin::message_question), 48, 48},
};

constexpr int start_button_width = 450, start_button_height = 120;
constexpr int banner_width = 520, banner_height = 100;

// The icon groups: the program (128) and its alert form (373).
constexpr int program_icon_id = 128;
constexpr int alert_icon_id = 373;
