#include "download/driver_updates.h"

#include "common/file_open.h"
#include "common/hex_text.h"
#include "common/path_join.h"
#include "common/text_compare.h"
#include "common/text_convert.h"
#include "common/text_lines.h"

namespace {

constexpr const char* updated_state = "updated";
constexpr const char* rolled_back_state = "rolled-back";

// Tabs, line breaks and "%" would end or confuse a field.
std::string escaped(const std::string& utf8) {
    std::string out;
    for (unsigned char byte : utf8) {
        if (byte == '%' || byte == '\t' || byte == '\r' || byte == '\n') append_percent_escaped(out, byte);
        else out += char(byte);
    }
    return out;
}

std::string escaped(const std::wstring& text) { return escaped(wide_to_utf8(text)); }

std::vector<std::string> fields_of(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    return fields;
}

std::optional<driver_update_c> update_from_line(const std::string& line) {
    const std::vector<std::string> fields = fields_of(line);
    if (fields.size() < 6 || fields.size() > 10 || (fields[0] != updated_state && fields[0] != rolled_back_state) || fields[1].empty())
        return std::nullopt;
    auto text = [&](std::size_t i) { return utf8_to_wide(percent_decoded(fields[i])); };
    driver_update_c update{text(1), text(2), text(3), text(4), text(5), fields[0] == rolled_back_state};
    std::string* later[] = {&update.installed_link, &update.installed_sha256, &update.installed_inf, &update.hardware_id};
    for (std::size_t i = 6; i < fields.size(); ++i) *later[i - 6] = percent_decoded(fields[i]);
    // A name that is no plain file name never leads a restore out of the backup folder.
    if (update.backup_archive.find_first_of(L"/\\:") != std::wstring::npos || update.backup_archive == L"." ||
        update.backup_archive == L"..")
        update.backup_archive.clear();
    return update;
}

}  // namespace

std::mutex driver_updates_lock;

const driver_update_c* driver_updates_c::find(const std::wstring& instance_path) const {
    for (const driver_update_c& entry : entries_)
        if (equal_ignoring_case(entry.instance_path, instance_path)) return &entry;
    return nullptr;
}

void driver_updates_c::record(const driver_update_c& update) {
    for (driver_update_c& entry : entries_)
        if (equal_ignoring_case(entry.instance_path, update.instance_path)) {
            entry = update;
            return;
        }
    entries_.push_back(update);
}

std::wstring driver_updates_path(const std::wstring& data_folder) { return join_path(data_folder, L"updates.dat"); }

std::optional<driver_updates_c> read_driver_updates(const std::wstring& path) {
    driver_updates_c updates;
    if (path.empty() || !file_exists(path)) return updates;
    std::FILE* file = open_file(path, "rb");
    if (!file) return std::nullopt;
    std::string line;
    while (read_text_line(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (std::optional<driver_update_c> update = update_from_line(line)) updates.record(*update);
    }
    const bool read = !std::ferror(file);
    std::fclose(file);
    if (!read) return std::nullopt;
    return updates;
}

bool write_driver_updates(const std::wstring& path, const driver_updates_c& updates) {
    std::string text;
    for (const driver_update_c& entry : updates.entries())
        text += std::string(entry.rolled_back ? rolled_back_state : updated_state) + "\t" + escaped(entry.instance_path) +
                "\t" + escaped(entry.previous_inf) + "\t" + escaped(entry.previous_version) + "\t" +
                escaped(entry.installed_version) + "\t" + escaped(entry.backup_archive) + "\t" +
                escaped(entry.installed_link) + "\t" + escaped(entry.installed_sha256) + "\t" +
                escaped(entry.installed_inf) + "\t" + escaped(entry.hardware_id) + "\n";
    return write_file_atomically(path, text);
}

bool record_driver_updates(const std::wstring& path, const std::vector<driver_update_c>& updates) {
    std::lock_guard<std::mutex> guard(driver_updates_lock);
    std::optional<driver_updates_c> recorded = read_driver_updates(path);
    if (!recorded) return false;
    for (const driver_update_c& update : updates) recorded->record(update);
    return write_driver_updates(path, *recorded);
}
