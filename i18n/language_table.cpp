#include "i18n/language_table.h"

#include "common/text_compare.h"
#include "common/text_convert.h"
#include "i18n/language_file.h"
#include "i18n/language_links.h"

#include <cstring>
#include <cwctype>
#include <fstream>

namespace {

// A line is read in pieces of at most this many bytes; each piece counts as a line.
constexpr std::size_t line_piece = 2047;

struct language_row_c {
    const wchar_t* name;
    const char* code;
    const wchar_t* sub_site;
    int button_base;
    int banner;
};

// Looked up in this order; the first match wins; anything else is English.
const language_row_c language_rows[] = {
    {L"Deutsch", "de", L"de", 456, 452},
    {L"Fran\u00E7ais", "fr", L"fr", 459, 453},
    {L"Espa\u00F1ol", "es", L"es", 465, 455},
    {L"\u7B80\u4F53\u4E2D\u6587", "cn", L"cn", 430, 436},
    {L"\u7E41\u9AD4\u4E2D\u6587", "hk", L"hk", 433, 437},
    {L"Italiano", "it", L"it", 425, 415},
    {L"\u65E5\u672C\u8A9E", "jp", L"jp", 462, 454},
    {L"Portugu\u00EAs", "pt", L"pt", 422, 414},
    {L"Nederlands", "nl", L"nl", 419, 438},
    {L"\u0627\u0644\u0639\u0631\u0628\u064A\u0629", "ar", L"ar", 416, 412},
};
const language_row_c english_row = {L"English", "en", L"www", 290, 300};

const language_row_c& current_row() {
    const auto& list = language_list();
    if (current_language_index() >= list.size()) return english_row;
    const std::wstring& current = list[current_language_index()];
    for (const auto& row : language_rows)
        if (equal_ignoring_case(current, row.name)) return row;
    return english_row;
}

}  // namespace

language_table_c& language_table() {
    static language_table_c table;
    return table;
}

std::vector<std::wstring>& language_list() {
    static std::vector<std::wstring> list;
    return list;
}

std::size_t& current_language_index() {
    static std::size_t index = 0;
    return index;
}

bool load_language_file(const std::filesystem::path& file, const std::wstring& name, bool set_index) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    language_list().clear();
    bool inside = false;
    std::string piece;
    char buffer[line_piece + 1];
    while (in.getline(buffer, sizeof buffer) || in.gcount() > 0) {
        // A piece cut at the limit sets failbit; the rest of the line is read as the next piece.
        if (in.fail() && !in.eof()) in.clear();
        std::string line(buffer);
        if (auto section = match_section_line(line)) {
            language_list().push_back(utf8_to_wide(*section));
            if (inside) {
                inside = false;
            } else if (equal_ignoring_case(language_list().back(), name)) {
                inside = true;
                if (set_index) current_language_index() = language_list().size() - 1;
            }
        } else if (inside) {
            if (auto text = match_text_line(line))
                language_table().emplace(text->first, utf8_to_wide(unescape_value(text->second)));
        }
        if (in.eof()) break;
    }
    return true;
}

bool load_language(const std::wstring& name, bool set_index) {
    return load_language_file("language.ini", name, set_index);
}

bool load_languages_for(const std::wstring& chosen) {
    if (!load_language(chosen, true)) return false;
    return equal_ignoring_case(chosen, L"English") || load_language(L"English", false);
}

const std::wstring& language_text(const std::string& key) { return language_table()[key]; }

bool reads_right_to_left() { return language_text("reading_direction") == L"rtl"; }

const char* language_code() { return current_row().code; }

bool is_current_language(const char* code) {
    const char* current = language_code();
    for (; *current && *code; ++current, ++code)
        if (std::tolower(static_cast<unsigned char>(*current)) != std::tolower(static_cast<unsigned char>(*code)))
            return false;
    return *current == *code;
}

std::wstring product_page_link() {
    return std::wstring(L"http://") + current_row().sub_site + L"." + product_site_domain + product_page_path;
}

std::wstring faq_link() {
    return std::wstring(L"http://") + current_row().sub_site + L"." + service_site_domain + faq_page_path;
}

std::wstring help_link() {
    return std::wstring(L"http://") + current_row().sub_site + L"." + service_site_domain + help_page_path;
}

int start_scan_button_bitmap(int state) { return current_row().button_base + state; }

int home_banner_bitmap() { return current_row().banner; }
