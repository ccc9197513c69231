#include "system/earlier_data_win.h"

#include "common/fixed_text.h"
#include "common/path_join.h"
#include "common/text_compare.h"
#include "system/data_places_win.h"

#include <windows.h>

#include <filesystem>
#include <system_error>

namespace {

// Copies a file unless the target exists; a failure leaves the target as it was.
void copy_if_missing(const std::wstring& from, const std::wstring& to) { CopyFileW(from.c_str(), to.c_str(), TRUE); }

// The archives of a backup folder (its zip files; unpacked restores stay behind).
void copy_backup_archives(const std::wstring& from, const std::wstring& to) {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(from), ignored)) {
        if (entry.is_regular_file(ignored) && equal_ignoring_case(entry.path().extension().wstring(), L".zip"))
            copy_if_missing(entry.path().wstring(), join_path(to, entry.path().filename().wstring()));
    }
}

}  // namespace

bool move_data_out_of_program_folder(settings_c& record, const data_places_c& places) {
    if (places.beside_program) return false;
    const std::wstring& program_folder = places.program_folder;
    bool changed = false;
    if (path_inside(full_path(record.download_path), program_folder)) {
        copy_text(record.download_path, std::wstring_view(places.download_folder));
        copy_text(record.download_path_in_use, std::wstring_view(places.download_folder));
        changed = true;
    }
    const std::wstring old_backups = record.backup_path;
    if (path_inside(full_path(old_backups), program_folder)) {
        copy_text(record.backup_path, std::wstring_view(places.backup_folder));
        changed = true;
        if (prepare_folder(places.backup_folder) == 0) copy_backup_archives(full_path(old_backups), places.backup_folder);
    }
    // Once, when this user's data folder is new: a "setup.dat" the user deleted there later (to
    // be offered the packages again) does not come back.
    const DWORD existing = GetFileAttributesW(places.folder.c_str());
    const bool new_folder = existing == INVALID_FILE_ATTRIBUTES || !(existing & FILE_ATTRIBUTE_DIRECTORY);
    if ((new_folder || changed) && prepare_folder(places.folder) == 0) {
        for (const wchar_t* name : {L"backup.xml", L"setup.dat"})
            copy_if_missing(join_path(program_folder, name), join_path(places.folder, name));
    }
    return changed;
}
