#include "dpinst/package_search.h"

#include "common/text_compare.h"

#include <algorithm>
#include <cwctype>
#include <system_error>

namespace {

constexpr int depth_limit = 8;

void search(const std::filesystem::path& folder, int depth, std::vector<std::filesystem::path>& found) {
    std::vector<std::filesystem::path> infs, folders;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code kind_error;
        if (it->is_directory(kind_error)) {
            if (!it->is_symlink(kind_error)) folders.push_back(it->path());
        } else if (wide_lowered(it->path().extension().wstring()) == L".inf") {
            infs.push_back(it->path());
        }
    }
    auto by_name = [](const std::filesystem::path& a, const std::filesystem::path& b) {
        return wide_lowered(a.filename().wstring()) < wide_lowered(b.filename().wstring());
    };
    if (!infs.empty()) {
        std::sort(infs.begin(), infs.end(), by_name);
        found.insert(found.end(), infs.begin(), infs.end());
        return;
    }
    if (depth >= depth_limit) return;
    std::sort(folders.begin(), folders.end(), by_name);
    for (const auto& sub : folders) search(sub, depth + 1, found);
}

}  // namespace

std::vector<std::filesystem::path> find_package_infs(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> found;
    search(folder, 0, found);
    return found;
}
