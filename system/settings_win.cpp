#include "system/settings_win.h"

#include "system/machine_facts.h"
#include "system/data_places_win.h"
#include "system/earlier_data_win.h"
#include "common/date_text.h"
#include "common/fixed_text.h"
#include "common/registry_key_win.h"
#include "common/text_convert.h"
#include "common/product_name.h"

#include <shlobj.h>

#include <vector>

namespace {

settings_c record;
registry_key_c settings_key;
std::vector<folder_problem_c> problems;

// A failed read leaves the field as it was.
void read_number(const registry_key_c& key, const wchar_t* name, std::uint32_t& field) {
    if (std::optional<std::uint32_t> value = key.read_number(name)) field = *value;
}

// Only a value the settings rules accept replaces the field (accept_string_value).
template <std::size_t Capacity>
void read_text(const registry_key_c& key, const wchar_t* name, wchar_t (&field)[Capacity]) {
    if (std::optional<registry_value_c> value = key.read_value(name))
        accept_string_value(value->type, value->bytes.data(), value->bytes.size(), field, Capacity);
}

std::optional<std::uint32_t> read_language_code(HKEY root) {
    registry_key_c key;
    if (key.open(root, first_run_key_path) != ERROR_SUCCESS) return std::nullopt;
    return key.read_number(L"language");
}

// The language chosen in the set-up: the set-up runs as an administrator and leaves it for every
// user of the PC in HKEY_LOCAL_MACHINE; set-ups before it wrote it for one user only.
std::optional<std::uint32_t> read_first_run_language_code() {
    if (std::optional<std::uint32_t> code = read_language_code(HKEY_CURRENT_USER)) return code;
    return read_language_code(HKEY_LOCAL_MACHINE);
}

// The Run value holds the program path in quotes: unquoted, a path with spaces would let Windows
// try "C:\Program.exe" and the like first.
std::wstring run_value_for(const std::wstring& path) { return L"\"" + path + L"\""; }

// The program a Run value starts: the quoted path, or the whole text of a value written before
// the path was quoted.
std::wstring program_of_run_value(const std::wstring& value) {
    if (value.empty() || value[0] != L'"') return value;
    std::size_t close = value.find(L'"', 1);
    return value.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
}

bool same_path(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}

// A Run value of this program written before the path was quoted gets the quotes, so the start
// with Windows is safe without the user saving the settings again.
void quote_old_run_value() {
    registry_key_c key;
    if (key.open(HKEY_CURRENT_USER, run_key_path, KEY_READ | KEY_WRITE) != ERROR_SUCCESS) return;
    std::optional<std::wstring> value = key.read_text(product_title, registry_key_c::text_types_c::plain_or_expandable);
    if (value && !value->empty() && (*value)[0] != L'"' && same_path(*value, program_path()))
        key.write_text(product_title, run_value_for(program_path()));
}

// Creates the folder when it is missing and checks that it can be written; one that cannot is
// noted, for the window and the command line to say.
void prepare_setting_folder(const wchar_t* folder) {
    if (unsigned long error = prepare_folder(folder)) problems.push_back({folder, error});
}

}  // namespace

settings_c& settings() { return record; }

const std::vector<folder_problem_c>& folder_problems() { return problems; }

bool load_settings() {
    const data_places_c& places = data_places();
    apply_default_settings(record, places);
    bool existed = false;
    if (settings_key.create(HKEY_CURRENT_USER, settings_key_path, KEY_READ | KEY_WRITE, &existed) != ERROR_SUCCESS)
        return false;
    if (existed) {
        read_number(settings_key, L"autorun", record.autorun);
        read_number(settings_key, L"scan_offline", record.scan_offline);
        if (std::optional<std::uint32_t> stored = settings_key.read_number(L"close_to_tray"))
            record.close_to_tray = close_to_tray_from(*stored);
        read_number(settings_key, L"scheduled_scan", record.scheduled_scan);
        read_number(settings_key, L"restore_point", record.restore_point);
        read_number(settings_key, L"send_reports", record.send_reports);
        read_number(settings_key, L"reports_asked", record.reports_asked);
        read_number(settings_key, L"testing_updates", record.testing_updates);
        read_text(settings_key, L"download_path", record.download_path_in_use);
        copy_text(record.download_path, record.download_path_in_use);
        read_text(settings_key, L"backup_path", record.backup_path);
        read_text(settings_key, L"language", record.language);
        read_text(settings_key, L"install_date", record.install_date);
        if (wcscmp(record.install_date, unset_install_date) == 0) {
            copy_text(record.install_date, std::wstring_view(utf8_to_wide(today_utc())));
            settings_key.write_text(L"install_date", record.install_date);
        }
    } else {
        copy_text(record.install_date, std::wstring_view(utf8_to_wide(today_utc())));
        copy_text(record.language, first_run_language(read_first_run_language_code()));
        save_settings();
    }
    if (move_data_out_of_program_folder(record, places)) save_settings();
    problems.clear();
    prepare_setting_folder(record.download_path_in_use);
    prepare_setting_folder(record.backup_path);
    quote_old_run_value();
    return true;
}

bool save_settings() {
    // Write results are not checked.
    if (settings_key) {
        settings_key.write_text(L"download_path", record.download_path);
        settings_key.write_text(L"backup_path", record.backup_path);
        settings_key.write_text(L"language", record.language);
        settings_key.write_text(L"install_date", record.install_date);
        settings_key.write_number(L"autorun", record.autorun);
        settings_key.write_number(L"scan_offline", record.scan_offline);
        settings_key.write_number(L"close_to_tray", std::uint32_t(record.close_to_tray));
        settings_key.write_number(L"scheduled_scan", record.scheduled_scan);
        settings_key.write_number(L"restore_point", record.restore_point);
        settings_key.write_number(L"send_reports", record.send_reports);
        settings_key.write_number(L"reports_asked", record.reports_asked);
        settings_key.write_number(L"testing_updates", record.testing_updates);
    }
    set_run_at_logon(record.autorun);
    return true;
}

bool set_run_at_logon(std::uint32_t flag) {
    registry_key_c key;
    if (key.create(HKEY_CURRENT_USER, run_key_path, KEY_READ | KEY_WRITE) != ERROR_SUCCESS) return false;
    if (flag)
        key.write_text(product_title, run_value_for(program_path()));
    else
        key.delete_value(product_title);
    return true;
}

std::optional<std::wstring> read_run_at_logon() {
    registry_key_c key;
    if (key.open(HKEY_CURRENT_USER, run_key_path) != ERROR_SUCCESS) return std::nullopt;
    std::optional<std::wstring> value = key.read_text(product_title, registry_key_c::text_types_c::plain_or_expandable);
    if (!value) return std::nullopt;
    return program_of_run_value(*value);
}
