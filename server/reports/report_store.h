// Where install reports are kept, apart from the read-only catalog: how many installs of each
// package on each hardware ID were reported, how many failed, and which packages are demoted
// for which hardware ID (no longer offered there until an operator promotes them again).
#pragma once

#include "server/reports/install_report.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

// When a package stops being offered to a hardware ID: at least `least_reports` reports since it
// was last promoted, of which at least `failed_percent` failed. A package in the testing channel
// graduates (is offered to everyone) once `graduate_after` of its reports say it installed, none of
// its hardware IDs demoted and its reports as a whole within the same limits; 0: only by hand.
struct demotion_limits_c {
    std::uint32_t least_reports = 10;
    std::uint32_t failed_percent = 30;
    std::uint32_t graduate_after = 20;

    bool passed(std::uint64_t reports, std::uint64_t failed) const {
        return reports >= least_reports && reports > 0 && failed * 100 >= std::uint64_t(failed_percent) * reports;
    }
};

struct report_tally_c {
    std::string package_sha256, hardware_id;
    std::uint64_t reports = 0, installed = 0, not_better = 0, failed = 0;
    bool demoted = false;
};

enum class report_taken_c { added, already_taken, failed };

// (package SHA-256, hardware ID) pairs no longer offered.
using demoted_pairs_c = std::set<std::pair<std::string, std::string>>;

// What the reports decided, as every scan answer follows it.
struct report_verdicts_c {
    demoted_pairs_c demoted;
    std::set<std::string> graduated;  // packages' SHA-256: offered to everyone though imported into testing
};

class report_store_c {
public:
    virtual ~report_store_c() = default;
    // Stores the report once (a report id seen before is not counted again), demotes its package
    // for its hardware ID when the limits are passed, and graduates the package when it has enough
    // good reports. `decided` tells whether it did either.
    virtual report_taken_c add(const install_report_c& report, const demotion_limits_c& limits, bool& decided,
                               std::string& error) = 0;
    // Per package and hardware ID (only the package's when given), most reports first.
    virtual std::vector<report_tally_c> tallies(const std::string& package_sha256, std::string& error) = 0;
    // The operator's word: demoted (by hand) or promoted (counted afresh from now on).
    virtual bool set_demoted(const std::string& package_sha256, const std::string& hardware_id, bool demoted,
                             std::string& error) = 0;
    // The operator's word on a package of the testing channel: offered to everyone.
    virtual bool set_graduated(const std::string& package_sha256, std::string& error) = 0;
    virtual bool read_verdicts(report_verdicts_c& verdicts, std::string& error) = 0;
};

// A SQLite file, made when missing (the default: nothing to set up).
std::unique_ptr<report_store_c> open_sqlite_report_store(const std::string& path, std::string& error);

// A PostgreSQL database ("postgresql://..." or "postgres://..."), its tables made when missing: the
// store several servers share. Reports and demotions are timed by the database's clock.
std::unique_ptr<report_store_c> open_postgres_report_store(const std::string& url, std::string& error);

// The PostgreSQL store for such a URL, else the SQLite file of that path.
std::unique_ptr<report_store_c> open_report_store(const std::string& where, std::string& error);
