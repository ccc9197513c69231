// The language table: every visible text comes from "language.ini" in the program folder, one
// section per language. The chosen language is loaded first and English fills its gaps.
#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

// Key to text; inserting a key that is present keeps the first text.
using language_table_c = std::map<std::string, std::wstring>;

language_table_c& language_table();
// The names of all sections in file order, duplicates included; rebuilt by every load.
std::vector<std::wstring>& language_list();
std::size_t& current_language_index();

// Loads the texts of the section named name (case-insensitive) from "language.ini" in the
// current folder; with set_index also makes it the current language. False when the file cannot
// be opened.
bool load_language(const std::wstring& name, bool set_index);
bool load_language_file(const std::filesystem::path& file, const std::wstring& name, bool set_index);

// The start-up sequence: the chosen language, then English for the keys it lacks.
bool load_languages_for(const std::wstring& chosen);

// The text for key; a missing key is inserted with an empty text, which is returned.
const std::wstring& language_text(const std::string& key);

// Whether the loaded texts read right to left (their section's "reading_direction" is "rtl"):
// the windows are then mirrored. Follows the texts, not a language chosen since they were loaded.
bool reads_right_to_left();

// The two-letter code of the current language ("en" for anything not in the table).
const char* language_code();
bool is_current_language(const char* code);

// Per-language web pages (host names are deployment configuration) and bitmap resources.
std::wstring product_page_link();
std::wstring faq_link();
std::wstring help_link();
int start_scan_button_bitmap(int state);
int home_banner_bitmap();
