// Where the backup index of a backup folder lives. The settings' backup folder has "backup.xml"
// in the program folder (the backup and restore pages and the command line share it); any other
// folder keeps a "backup.xml" of its own inside it, so a backup into that folder never rewrites
// the entries of another. Folders are compared as Windows compares them: letter case, "\" or
// "/", and trailing separators aside. Without a settings' folder (Linux), always the folder's own.
#pragma once

#include <string>

std::wstring backup_index_path(const std::wstring& backup_folder, const std::wstring& settings_folder,
                               const std::wstring& program_folder);
