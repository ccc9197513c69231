#include "server/catalog/catalog_loading.h"

#include "common/catalog_statement.h"
#include "server/catalog/sqlite_catalog_store.h"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
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

constexpr std::size_t missing_names_kept = 10;

}  // namespace

std::string missing_archives_text(const catalog_load_report_c& report) {
    std::string names;
    for (const auto& name : report.missing_archives) names += (names.empty() ? "" : ", ") + name;
    if (report.left_out > report.missing_archives.size())
        names += " and " + std::to_string(report.left_out - report.missing_archives.size()) + " more";
    return names;
}

std::string statement_element(const catalog_statement_c& statement) {
    std::string out = "<statement serial=\"" + std::to_string(statement.serial) + "\" expires=\"" +
                      utc_moment_text(statement.expires) + "\" sig=\"" + statement.signature + "\">";
    for (const catalog_withdrawal_c& package : statement.withdrawn)
        out += "<withdrawn sha256=\"" + package.sha256 + "\" reason=\"" + escaped_reason(package.reason) + "\"/>";
    return out + "</statement>\n";
}

bool load_served_catalog(const std::string& path, const std::string& packages_folder, served_catalog_c& catalog,
                         catalog_load_report_c& report, std::string& error, const catalog_load_limits_c& limits) {
    auto started = std::chrono::steady_clock::now();
    struct stat facts {};
    if (::stat(path.c_str(), &facts) != 0) return error = "cannot open catalog " + path + ": " + std::strerror(errno), false;
    std::unordered_set<std::string> present;
    if (!packages_folder.empty() && !files_in(packages_folder, present, error)) return false;
    auto store = sqlite_catalog_store_c::open_read_only(path, error);
    if (!store) return false;
    catalog_index_builder_c builder;
    report = {};
    std::optional<catalog_statement_c> statement;
    std::set<std::string> withdrawn;
    if (!store->load_statement(statement, error) || !store->withdrawn_file_names(withdrawn, error)) {
        error = "catalog " + path + ": " + error;
        return false;
    }
    // A catalog read a second time in sorted order asks about each package again: names, not calls.
    std::set<std::string> missing;
    auto keep = [&](std::string_view file_name) {
        if (withdrawn.count(std::string(file_name))) return false;
        bool kept = packages_folder.empty() || present.count(std::string(file_name)) > 0;
        if (!kept) missing.emplace(file_name);
        return kept;
    };
    if (!store->load_index(builder, keep, error)) {
        error = "catalog " + path + ": " + error;
        return false;
    }
    std::optional<catalog_release_c> release;
    if (!store->load_release(release, error)) {
        error = "catalog " + path + ": " + error;
        return false;
    }
    store.reset();
    if (release && !packages_folder.empty() && !present.count(release->file_name)) {
        report.missing_installer = release->file_name;
        release.reset();
    }
    present = {};
    catalog_index_c built = builder.finish();
    if (statement) {
        built.set_statement(statement_element(*statement), statement->serial, statement->expires);
        report.statement_serial = statement->serial;
        report.statement_expires = statement->expires;
    }
    auto index = std::make_shared<const catalog_index_c>(std::move(built));
    report.left_out = missing.size();
    report.withdrawn = withdrawn.size();
    report.packages = index->package_count() + missing.size() + report.withdrawn;
    for (const auto& name : missing) {
        if (report.missing_archives.size() == missing_names_kept) break;
        report.missing_archives.push_back(name);
    }
    // Whole numbers: more than the share missing, counted without rounding.
    if (report.left_out * 100 > std::size_t(limits.max_missing_percent) * report.packages) {
        error = "catalog " + path + ": " + std::to_string(report.left_out) + " of " + std::to_string(report.packages) +
                " packages have no archive in " + packages_folder + ", more than the " +
                std::to_string(limits.max_missing_percent) + " % allowed: " + missing_archives_text(report) + "; not loaded";
        return false;
    }
    if (index->package_count() == 0 && !limits.allow_empty) {
        error = "catalog " + path + " has no package to serve; not loaded (allow it with --allow-empty-catalog yes)";
        return false;
    }
    catalog.index = std::move(index);
    catalog.written = facts.st_mtime;
    catalog.release = release ? std::make_shared<const catalog_release_c>(std::move(*release)) : nullptr;
    report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return true;
}
