// The user's settings: one record for the whole run, kept in the registry key
// HKEY_CURRENT_USER\SOFTWARE\Quellmar (settings_win.cpp). This file holds the record and the rules
// that do not need the registry: defaults, the first-run language, which stored strings count.
#pragma once

#include "system/data_places.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// What closing the main window does; the numbers are the registry's.
enum class close_to_tray_c : std::uint32_t {
    quit = 0,
    hide_with_notice = 1,  // hides to the tray, saying so the first time
    hide = 2,              // hides to the tray quietly: the notice was shown
};

struct settings_c {
    // Read once at start-up and used by all downloading and installing of this run.
    wchar_t download_path_in_use[260] = {};
    // The folder the settings dialog edits and that is saved; it takes effect at the next start.
    wchar_t download_path[260] = {};
    wchar_t backup_path[260] = {};
    wchar_t language[32] = {};
    wchar_t install_date[16] = {};
    std::uint32_t autorun = 0;
    std::uint32_t scan_offline = 0;
    close_to_tray_c close_to_tray = close_to_tray_c::hide_with_notice;
    std::uint32_t scheduled_scan = 0;
    // A System Restore point before each installation and restore (on unless switched off).
    std::uint32_t restore_point = 1;
    // Install reports to the update server: off until the user says yes; asked once, after the
    // first installation (reports_asked then 1).
    std::uint32_t send_reports = 0;
    std::uint32_t reports_asked = 0;
    // Offers of packages the update server still has in testing, besides the stable ones.
    std::uint32_t testing_updates = 0;
};

constexpr const wchar_t* unset_install_date = L"0000-00-00";

// The description of the System Restore point made before installing drivers, where the
// settings ask for one; empty where they do not.
std::wstring restore_point_description(const settings_c& settings);

// The stored number of a close-to-tray choice: any number but 0 and 1 hides quietly, as the
// window always treated it.
close_to_tray_c close_to_tray_from(std::uint32_t stored);

// The defaults: the places' download and backup folders, English, no install date.
void apply_default_settings(settings_c& settings, const data_places_c& places);

// The language a new user starts with, from the installer's language code; a missing code
// means "Nederlands", an unknown one "English".
const wchar_t* first_run_language(std::optional<std::uint32_t> code);

// Registry value types, as the registry numbers them.
constexpr std::uint32_t registry_string = 1;
constexpr std::uint32_t registry_expandable_string = 2;

// Accepts a stored string value (UTF-16 bytes as read) into a field of the given capacity
// (terminator included): only plain or expandable strings of even byte length that end in the
// terminator and fit. An empty value gives an empty text. False leaves the field unchanged.
bool accept_string_value(std::uint32_t type, const unsigned char* bytes, std::size_t byte_count, wchar_t* field,
                         std::size_t capacity);
