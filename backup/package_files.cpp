#include "backup/package_files.h"

#include "common/text_convert.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool walk(const fs::path& folder, const std::wstring& prefix, std::vector<package_file_c>& files) {
    std::error_code error;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) entries.push_back(*it);
    bool whole = !error;
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
    for (const auto& entry : entries) {
        const std::wstring name = utf8_to_wide(entry.path().filename().u8string());
        if (name.empty() || name == L"." || name == L"..") continue;
        const std::wstring relative = prefix.empty() ? name : prefix + L"\\" + name;
        const fs::file_status status = entry.status(error);
        if (!error && fs::is_directory(status))
            whole = walk(entry.path(), relative, files) && whole;
        else if (!error && fs::is_regular_file(status))
            files.push_back({utf8_to_wide(entry.path().u8string()), relative});
        else
            whole = false;
    }
    return whole;
}

}  // namespace

bool package_files(const std::wstring& folder, std::vector<package_file_c>& files) {
    files.clear();
    return walk(fs::u8path(wide_to_utf8(folder)), L"", files);
}
