// The shipped "language.ini": every language has every English key with the same printf
// placeholders in the same order, so a translation can never break a format call, and English
// has every key the program looks up.
#include "i18n/language_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

using section_c = std::map<std::string, std::string>;

std::vector<std::pair<std::string, section_c>> read_sections() {
    std::ifstream in(VANTOREL_SOURCE_DIR "/i18n/language.ini", std::ios::binary);
    std::vector<std::pair<std::string, section_c>> sections;
    std::string line;
    while (std::getline(in, line)) {
        if (auto name = match_section_line(line)) {
            sections.emplace_back(*name, section_c{});
        } else if (auto text = match_text_line(line)) {
            if (!sections.empty()) sections.back().second.emplace(text->first, text->second);
        }
    }
    return sections;
}

std::vector<std::string> placeholders(const std::string& text) {
    static const std::regex conversion(R"(%[-+ #0]*\d*(?:\.\d+)?(?:ll|l|h|I64)?[diouxXsScCfgeEp%])");
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), conversion); it != std::sregex_iterator(); ++it)
        found.push_back(it->str());
    return found;
}

const char* const required_keys[] = {
    "top_home", "top_download", "top_backup", "top_restore", "top_settings", "menu_settings", "menu_information",
    "menu_help", "menu_about", "menu_exit", "menu_open_location", "menu_remove", "quit_confirm", "quit_confirm_backup",
    "quit_confirm_install", "remove_confirm",
    "system_tray_warning", "folder_not_usable", "new_driver_notify", "btn_ok", "btn_cancel", "btn_yes", "btn_no", "btn_retry",
    "btn_backup", "btn_restore", "home_start_scan", "home_scan_for_drivers", "home_scan_for_driver_updates",
    "home_kelvard_automatically", "home_download", "home_download_msg", "home_install", "home_backup_msg",
    "home_restore_msg", "sidebar_system_info", "sidebar_model", "sidebar_os", "sidebar_cpu", "sidebar_memory",
    "sidebar_display", "sidebar_sound", "sidebar_storage", "sidebar_unknown", "sidebar_total", "sidebar_out_of_date",
    "sidebar_up_to_date", "sidebar_no_driver", "sidebar_score", "sidebar_whql", "sidebar_see_faq", "scan_scanning",
    "scan_scanning_your_computer", "scan_status", "scan_status1", "scan_status2", "scan_item", "scan_items_scanned",
    "scan_start_time", "scan_time_elapsed", "scan_waiting", "download_new_drivers_found1",
    "download_new_drivers_found2", "download_new_drivers_found3", "download_btn_download", "download_btn_pause",
    "download_btn_resume", "download_btn_setup", "download_cbb_best", "download_cbb_latest", "download_date1",
    "download_date2", "download_date3", "download_downloading", "download_download_complete",
    "download_download_error", "download_download_paused", "download_not_download", "download_all_button",
    "download_all_check", "download_all_warning", "download_setup_require", "download_setup_warning",
    "backup_info", "backup_settings", "backup_available_drivers", "backup_inbox_drivers", "backup_date",
    "backup_completed", "backup_failed", "backup_no_driver", "restore_settings", "restore_no_backup",
    "restore_no_driver", "config_startup_option", "config_start_when_windows_startup", "config_scan_option",
    "config_scan_non_present_devices", "config_scheduled_task", "config_enable_scheduled_automatic_scan",
    "config_close_option", "config_close_to_system_tray", "config_download_path", "config_backup_path",
    "config_language", "config_language_change_notice", "device_detail_description", "device_detail_current_driver",
    "device_detail_new_driver", "device_detail_driver_information", "device_detail_list_device_desc",
    "device_detail_list_device_id", "device_detail_list_manufacturer", "device_detail_list_class_name",
    "device_detail_list_class_desc", "device_detail_list_enumerator", "device_detail_list_hardware_ids",
    "device_detail_list_compatible_ids", "device_detail_list_matching_device_id",
    "device_detail_list_rank_of_installed_driver", "device_detail_list_inf_name", "device_detail_list_inf_date",
    "device_detail_list_inf_version", "about_name", "about_information", "about_info1", "about_info2",
    "about_copyright", "about_btn_check", "about_btn_bk", "error_network_error", "error_network_timeout",
    "error_internal_error", "error_invalid_date", "error_catalog_refused", "withdrawn_driver_notice", "menu_hide_update", "menu_hide_device", "menu_unhide",
    "download_show_hidden", "download_hidden_mark", "device_detail_reason", "reason_no_offer", "reason_no_driver",
    "reason_better_signature", "reason_worse_signature", "reason_better_feature", "reason_worse_feature", "reason_other_id",
    "reason_newer", "reason_not_newer", "reason_already_installed", "reason_hidden", "install_status_installed",
    "install_status_not_better", "install_status_failed", "install_status_restart", "install_box_not_better",
    "install_box_failed", "install_box_restart", "install_box_restore_point_off", "install_box_restore_point_refused", "menu_undo", "install_box_backup_failed", "install_status_undone",
    "undo_box_done", "undo_box_failed",
    "config_safety_option", "config_restore_point", "config_send_reports", "config_testing_updates", "reports_question",
};

}  // namespace

TEST(language_file, english_holds_every_key_the_program_looks_up) {
    auto sections = read_sections();
    ASSERT_FALSE(sections.empty());
    ASSERT_EQ(sections[0].first, "English");
    for (const char* key : required_keys) EXPECT_TRUE(sections[0].second.count(key)) << key;
    EXPECT_NE(sections[0].second["home_kelvard_automatically"].find("Vantorel"), std::string::npos);
    EXPECT_EQ(placeholders(sections[0].second["error_network_error"]), std::vector<std::string>{"%d"});
}

TEST(language_file, every_language_has_every_key_with_the_same_placeholders) {
    auto sections = read_sections();
    const std::set<std::string> expected_names = {
        "English", "Deutsch", "Espa\xC3\xB1ol", "Fran\xC3\xA7" "ais", "Italiano", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E",
        "\xE7\xAE\x80\xE4\xBD\x93\xE4\xB8\xAD\xE6\x96\x87", "\xE7\xB9\x81\xE9\xAB\x94\xE4\xB8\xAD\xE6\x96\x87",
        "Nederlands", "Portugu\xC3\xAA" "s", "\xD8\xA7\xD9\x84\xD8\xB9\xD8\xB1\xD8\xA8\xD9\x8A\xD8\xA9"};
    std::set<std::string> names;
    for (const auto& [name, texts] : sections) names.insert(name);
    EXPECT_EQ(names, expected_names);
    const section_c& english = sections[0].second;
    for (const auto& [name, texts] : sections) {
        for (const auto& [key, text] : english) {
            auto found = texts.find(key);
            if (found == texts.end()) {
                ADD_FAILURE() << name << " lacks " << key;
                continue;
            }
            EXPECT_EQ(placeholders(found->second), placeholders(text)) << name << " " << key;
        }
        for (const auto& [key, text] : texts) EXPECT_TRUE(english.count(key)) << name << " has an extra key " << key;
    }
}
