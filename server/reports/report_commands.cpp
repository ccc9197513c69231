#include "server/reports/report_commands.h"

#include "server/reports/report_store.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "vantorel-catalog: %s\n", message.c_str());
    return 1;
}

bool package_digest(const std::string& text) {
    return text.size() == 64 &&
           std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

}  // namespace

int print_report_table(const std::string& reports_db, const std::string& package_sha256) {
    if (!package_sha256.empty() && !package_digest(package_sha256))
        return fail("--package takes a package's SHA-256 (64 lower-case hex digits)");
    std::string error;
    const std::unique_ptr<report_store_c> store = open_report_store(reports_db, error);
    if (!store) return fail(error);
    const std::vector<report_tally_c> rows = store->tallies(package_sha256, error);
    if (!error.empty()) return fail(error);
    std::printf("%-64s  %-40s %7s %9s %10s %6s %7s  %s\n", "package_sha256", "hardware_id", "reports", "installed",
                "not_better", "failed", "failed%", "state");
    for (const report_tally_c& row : rows)
        std::printf("%-64s  %-40s %7llu %9llu %10llu %6llu %6.1f%%  %s\n", row.package_sha256.c_str(), row.hardware_id.c_str(),
                    static_cast<unsigned long long>(row.reports), static_cast<unsigned long long>(row.installed),
                    static_cast<unsigned long long>(row.not_better), static_cast<unsigned long long>(row.failed),
                    row.reports ? 100.0 * double(row.failed) / double(row.reports) : 0.0, row.demoted ? "demoted" : "offered");
    return 0;
}

int set_package_demoted(const std::string& reports_db, const std::string& package_sha256, const std::string& hardware_id,
                        bool demoted) {
    if (!package_digest(package_sha256)) return fail("name the package by its SHA-256 (64 lower-case hex digits)");
    if (hardware_id.empty() || hardware_id.size() > 200) return fail("name the hardware ID");
    std::string id = hardware_id;
    std::transform(id.begin(), id.end(), id.begin(), [](char c) { return char(std::toupper(static_cast<unsigned char>(c))); });
    std::string error;
    const std::unique_ptr<report_store_c> store = open_report_store(reports_db, error);
    if (!store) return fail(error);
    if (!store->set_demoted(package_sha256, id, demoted, error)) return fail(error);
    std::printf("%s %s for %s\n", package_sha256.c_str(), demoted ? "demoted" : "promoted", id.c_str());
    return 0;
}

int graduate_package(const std::string& reports_db, const std::string& package_sha256) {
    if (!package_digest(package_sha256)) return fail("name the package by its SHA-256 (64 lower-case hex digits)");
    std::string error;
    const std::unique_ptr<report_store_c> store = open_report_store(reports_db, error);
    if (!store || !store->set_graduated(package_sha256, error)) return fail(error);
    std::printf("%s graduated: offered to every program\n", package_sha256.c_str());
    return 0;
}
