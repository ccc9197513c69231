#include "download/unpacked_files.h"

#include "common/file_open.h"
#include "common/path_join.h"
#include "common/text_compare.h"
#include "common/unique_handle.h"
#include "devices/inf_models_win.h"

#include <windows.h>

namespace {

struct find_handle_traits_c {
    using handle = HANDLE;
    static handle invalid() { return INVALID_HANDLE_VALUE; }
    static void close(handle h) { FindClose(h); }
};
using find_handle_c = unique_handle_c<find_handle_traits_c>;

// Names of the files directly in the folder whose name ends in the extension (case-insensitive;
// a pattern alone would also take "*.html" for "*.htm" through short names).
std::vector<std::wstring> files_ending_in(const std::wstring& folder, const std::wstring& extension) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    find_handle_c search(FindFirstFileW(join_path(folder, L"*" + extension).c_str(), &found));
    if (!search.valid()) return names;
    do {
        const std::wstring name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name.size() < extension.size()) continue;
        if (equal_ignoring_case(name.substr(name.size() - extension.size()), extension)) names.push_back(name);
    } while (FindNextFileW(search.get(), &found));
    return names;
}

class disk_files_c final : public unpacked_files_c {
public:
    bool is_directory(const std::wstring& path) const override {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    bool file_exists(const std::wstring& path) const override { return ::file_exists(path); }
    std::vector<std::wstring> programs_in(const std::wstring& folder) const override {
        return files_ending_in(folder, L".exe");
    }
    void remove_pages(const std::wstring& folder) const override {
        for (const std::wstring& name : files_ending_in(folder, L".htm")) DeleteFileW(join_path(folder, name).c_str());
    }
    // Read as Windows reads it: the models section it would choose on this PC.
    bool inf_names_id(const std::wstring& inf_path, const std::wstring& id) const override {
        inf_handle_c inf(SetupOpenInfFileW(inf_path.c_str(), nullptr, INF_STYLE_WIN4, nullptr));
        std::vector<inf_model_line_c> lines;
        if (!inf.valid() || !read_platform_models(inf.get(), running_platform(), lines) || lines.empty()) return true;
        for (const inf_model_line_c& line : lines)
            for (const std::wstring& named : line.ids)
                if (equal_ignoring_case(named, id)) return true;
        return false;
    }
};

}  // namespace

const unpacked_files_c& disk_files() {
    static const disk_files_c files;
    return files;
}
