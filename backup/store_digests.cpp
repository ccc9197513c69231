#include "backup/store_digests.h"

#include "backup/package_files.h"
#include "common/md5.h"
#include "common/path_join.h"
#include "common/text_compare.h"
#include "common/text_convert.h"

#include <filesystem>

namespace {

std::optional<std::string> digest_of(const std::wstring& path) {
    std::string hex;
    if (md5_of_file(std::filesystem::u8path(wide_to_utf8(path)), hex) != 0) return std::nullopt;
    return hex;
}

}  // namespace

store_digests_c build_store_digests(const std::wstring& store_root) {
    store_digests_c digests;
    // A store folder that cannot be listed only leaves the copies in it unfound.
    std::vector<package_file_c> files;
    package_files(store_root, files);
    for (const package_file_c& file : files) {
        const std::wstring& path = file.path;
        if (path.size() <= 4 || !equal_ignoring_case(path.substr(path.size() - 4), L".inf")) continue;
        if (const auto digest = digest_of(path)) digests[*digest] = path;
    }
    return digests;
}

std::optional<std::wstring> locate_inf_in_store(const std::wstring& inf_folder, const std::wstring& inf_name,
                                                const store_digests_c& digests) {
    const auto digest = digest_of(join_path(inf_folder, inf_name));
    if (!digest) return std::nullopt;
    const auto found = digests.find(*digest);
    if (found == digests.end()) return std::nullopt;
    return found->second;
}
