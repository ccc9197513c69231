#include "server/catalog_loading.h"

#include "server/sqlite_catalog_store.h"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <unordered_set>

namespace {

// The names of the regular files in the folder, read once rather than a look-up per package.
bool files_in(const std::string& folder, std::unordered_set<std::string>& names, std::string& error) {
    std::error_code code;
    for (std::filesystem::directory_iterator at(folder, code), end; !code && at != end; at.increment(code)) {
        if (at->is_regular_file(code)) names.insert(at->path().filename().string());
        code.clear();
    }
    if (code) return error = "cannot read the packages folder " + folder + ": " + code.message(), false;
    return true;
}

}  // namespace

bool load_served_catalog(const std::string& path, const std::string& packages_folder, served_catalog_c& catalog,
                         catalog_load_report_c& report, std::string& error) {
    auto started = std::chrono::steady_clock::now();
    struct stat facts {};
    if (::stat(path.c_str(), &facts) != 0) return error = "cannot open catalog " + path + ": " + std::strerror(errno), false;
    std::unordered_set<std::string> present;
    if (!packages_folder.empty() && !files_in(packages_folder, present, error)) return false;
    auto store = sqlite_catalog_store_c::open_read_only(path, error);
    if (!store) return false;
    catalog_index_builder_c builder;
    report.left_out = 0;
    auto keep = [&](std::string_view file_name) {
        bool kept = packages_folder.empty() || present.count(std::string(file_name)) > 0;
        report.left_out += !kept;
        return kept;
    };
    if (!store->load_index(builder, keep, error)) {
        error = "catalog " + path + ": " + error;
        return false;
    }
    store.reset();
    present = {};
    catalog.index = std::make_shared<const catalog_index_c>(builder.finish());
    catalog.written = facts.st_mtime;
    report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return true;
}
