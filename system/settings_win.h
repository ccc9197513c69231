// The settings record and its registry key. The key stays open from load_settings to the end of
// the process.
#pragma once

#include "system/settings.h"

#include <optional>
#include <string>
#include <vector>

settings_c& settings();

// Fills the record from the registry (creating the key with defaults on the first run), moves
// folders an earlier version kept in a program folder this user cannot write to
// (earlier_data_win.h), and creates the download and backup folders. False when the settings key
// cannot be opened; a folder that cannot be created or written is noted in folder_problems.
bool load_settings();

// A download or backup folder of the settings that cannot be used, with the system's reason.
struct folder_problem_c {
    std::wstring folder;
    unsigned long error = 0;
};
// The folders that load_settings could not create or cannot write to.
const std::vector<folder_problem_c>& folder_problems();

// Writes all eight values, then brings the Run value in line with autorun. Always true.
bool save_settings();

// Writes (flag not 0) or deletes the Run value "Vantorel", which holds the program path in
// quotes; false when the Run key cannot be opened.
bool set_run_at_logon(std::uint32_t flag);

// The program that the Run value "Vantorel" starts (quoted or, as older versions wrote it, not);
// none when there is no such value. Loading the settings adds the quotes to an old value that
// names this program.
std::optional<std::wstring> read_run_at_logon();

// The registry locations, under HKEY_CURRENT_USER.
constexpr const wchar_t* settings_key_path = L"SOFTWARE\\Quellmar";
constexpr const wchar_t* first_run_key_path = L"SOFTWARE\\Quellmar_Init";
constexpr const wchar_t* run_key_path = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
