#include "system/data_places.h"

#include "common/path_join.h"
#include "common/text_compare.h"

namespace {

std::wstring comparable(std::wstring path) {
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    return wide_lowered(path);
}

}  // namespace

bool path_inside(const std::wstring& path, const std::wstring& folder) {
    const std::wstring inner = comparable(path), outer = comparable(folder);
    if (outer.empty() || inner.size() < outer.size() || inner.compare(0, outer.size(), outer) != 0) return false;
    return inner.size() == outer.size() || inner[outer.size()] == L'\\';
}

data_places_c choose_data_places(const std::wstring& program_folder, bool program_folder_writable,
                                 const std::vector<std::wstring>& system_program_folders,
                                 const std::wstring& local_app_data) {
    bool installed = !program_folder_writable;
    for (const std::wstring& system_folder : system_program_folders)
        if (path_inside(program_folder, system_folder)) installed = true;
    data_places_c places;
    places.program_folder = program_folder;
    if (!installed || local_app_data.empty()) {
        places.folder = program_folder;
        places.download_folder = join_path(program_folder, L"download", windows_path_separator);
        places.backup_folder = join_path(program_folder, L"backup", windows_path_separator);
        places.beside_program = true;
        return places;
    }
    places.folder = join_path(local_app_data, L"Vantorel", windows_path_separator);
    places.download_folder = join_path(places.folder, L"Downloads", windows_path_separator);
    places.backup_folder = join_path(places.folder, L"Backups", windows_path_separator);
    return places;
}
