#include "backup/index_location.h"

#include "common/path_join.h"
#include "common/text_compare.h"

namespace {

std::wstring comparable(std::wstring folder) {
    for (wchar_t& c : folder)
        if (c == L'/') c = L'\\';
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    return folder;
}

}  // namespace

std::wstring backup_index_path(const std::wstring& backup_folder, const std::wstring& settings_folder,
                               const std::wstring& program_folder) {
    const bool settings_one =
        !settings_folder.empty() && equal_ignoring_case(comparable(backup_folder), comparable(settings_folder));
    return join_path(settings_one ? program_folder : backup_folder, L"backup.xml");
}
