#include "server/reports/report_store.h"

#include "server/catalog/sqlite_statement.h"

#include <sqlite3.h>

#include <chrono>
#include <mutex>

namespace {

// Milliseconds since 1970, as reports and decisions are timed.
std::int64_t now_in_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

const char* const report_schema =
    "PRAGMA journal_mode = WAL;"
    "CREATE TABLE IF NOT EXISTS reports ("
    // received and changed: milliseconds since 1970
    "  report_id TEXT PRIMARY KEY, received INTEGER NOT NULL, package_sha256 TEXT NOT NULL,"
    "  hardware_id TEXT NOT NULL, inf_path TEXT NOT NULL, replaced_version TEXT NOT NULL,"
    "  replaced_date TEXT NOT NULL, replaced_provider TEXT NOT NULL, outcome TEXT NOT NULL,"
    "  failed INTEGER NOT NULL, exit_code INTEGER, problem_code INTEGER, os TEXT NOT NULL,"
    "  build INTEGER NOT NULL, machine TEXT NOT NULL);"
    "CREATE INDEX IF NOT EXISTS reports_by_package ON reports (package_sha256, hardware_id, received);"
    // One row per pair: whether it is demoted, and the reports and failures counted since it was
    // last promoted (kept as running counts, so that a report costs the same however many came).
    "CREATE TABLE IF NOT EXISTS pair_states ("
    "  package_sha256 TEXT NOT NULL, hardware_id TEXT NOT NULL, demoted INTEGER NOT NULL,"
    "  reports INTEGER NOT NULL, failed INTEGER NOT NULL, changed INTEGER NOT NULL, decided_by TEXT NOT NULL,"
    "  PRIMARY KEY (package_sha256, hardware_id));"
    // Packages of the testing channel offered to everyone: by their reports or an operator.
    "CREATE TABLE IF NOT EXISTS graduations ("
    "  package_sha256 TEXT PRIMARY KEY, changed INTEGER NOT NULL, decided_by TEXT NOT NULL);";


class sqlite_report_store_c final : public report_store_c {
public:
    explicit sqlite_report_store_c(sqlite3* db) : db_(db) {}
    ~sqlite_report_store_c() override { sqlite3_close(db_); }

    report_taken_c add(const install_report_c& report, const demotion_limits_c& limits, bool& decided,
                       std::string& error) override {
        decided = false;
        std::lock_guard<std::mutex> hold(lock_);
        if (!exec("BEGIN IMMEDIATE", error)) return report_taken_c::failed;
        statement_c insert(db_,
                           "INSERT OR IGNORE INTO reports VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15)");
        if (!insert.ready()) return rollback(error);
        insert.bind(1, report.report_id).bind(2, now_in_ms()).bind(3, report.package_sha256);
        insert.bind(4, report.hardware_id).bind(5, report.inf_path).bind(6, report.replaced_version);
        insert.bind(7, report.replaced_date).bind(8, report.replaced_provider).bind(9, outcome_name(report.outcome));
        insert.bind(10, std::int64_t(counts_as_failure(report.outcome) ? 1 : 0));
        if (report.exit_code) insert.bind(11, std::int64_t(*report.exit_code)); else insert.bind_null(11);
        if (report.problem_code) insert.bind(12, std::int64_t(*report.problem_code)); else insert.bind_null(12);
        insert.bind(13, report.os).bind(14, std::int64_t(report.build)).bind(15, report.machine);
        if (insert.step() != SQLITE_DONE) return rollback(error);
        if (sqlite3_changes(db_) == 0) {
            exec("ROLLBACK", error);
            return report_taken_c::already_taken;
        }
        // The pair's running counts; a pair demoted already stays so.
        statement_c count(db_, "INSERT INTO pair_states VALUES (?1, ?2, 0, 1, ?3, ?4, 'reports')"
                               " ON CONFLICT (package_sha256, hardware_id) DO UPDATE SET"
                               " reports = reports + 1, failed = failed + excluded.failed"
                               " RETURNING demoted, reports, failed");
        if (!count.ready()) return rollback(error);
        count.bind(1, report.package_sha256).bind(2, report.hardware_id);
        count.bind(3, std::int64_t(counts_as_failure(report.outcome) ? 1 : 0)).bind(4, now_in_ms());
        if (count.step() != SQLITE_ROW) return rollback(error);
        const bool already = count.number(0) != 0;
        const auto reports = std::uint64_t(count.number(1)), failed = std::uint64_t(count.number(2));
        if (count.step() != SQLITE_DONE) return rollback(error);
        if (!already && limits.passed(reports, failed)) {
            if (!write_state(report.package_sha256, report.hardware_id, true, "limits", error)) return rollback(error);
            decided = true;
        }
        if (counts_as_installed(report.outcome) && limits.graduate_after > 0) {
            bool graduated = false;
            if (!graduate_by_reports(report.package_sha256, limits, graduated, error)) return rollback(error);
            decided = decided || graduated;
        }
        if (!exec("COMMIT", error)) return rollback(error);
        return report_taken_c::added;
    }

    std::vector<report_tally_c> tallies(const std::string& package_sha256, std::string& error) override {
        std::lock_guard<std::mutex> hold(lock_);
        std::vector<report_tally_c> out;
        statement_c query(db_,
                          "SELECT r.package_sha256, r.hardware_id, COUNT(*), SUM(r.outcome IN ('installed', 'restart_needed')),"
                          " SUM(r.outcome = 'not_better'), SUM(r.failed), COALESCE(MAX(s.demoted), 0)"
                          " FROM reports r LEFT JOIN pair_states s"
                          " ON s.package_sha256 = r.package_sha256 AND s.hardware_id = r.hardware_id"
                          " WHERE ?1 = '' OR r.package_sha256 = ?1"
                          " GROUP BY r.package_sha256, r.hardware_id ORDER BY COUNT(*) DESC, r.package_sha256, r.hardware_id");
        if (!query.ready()) return error = sqlite3_errmsg(db_), out;
        query.bind(1, package_sha256);
        int step;
        while ((step = query.step()) == SQLITE_ROW)
            out.push_back({query.text(0), query.text(1), std::uint64_t(query.number(2)),
                           std::uint64_t(query.number(3)), std::uint64_t(query.number(4)),
                           std::uint64_t(query.number(5)), query.number(6) != 0});
        if (step != SQLITE_DONE) error = sqlite3_errmsg(db_);
        return out;
    }

    bool set_demoted(const std::string& package_sha256, const std::string& hardware_id, bool demoted,
                     std::string& error) override {
        std::lock_guard<std::mutex> hold(lock_);
        return write_state(package_sha256, hardware_id, demoted, "operator", error);
    }

    bool set_graduated(const std::string& package_sha256, std::string& error) override {
        std::lock_guard<std::mutex> hold(lock_);
        return write_graduation(package_sha256, "operator", error);
    }

    bool read_verdicts(report_verdicts_c& verdicts, std::string& error) override {
        std::lock_guard<std::mutex> hold(lock_);
        verdicts = {};
        statement_c demoted(db_, "SELECT package_sha256, hardware_id FROM pair_states WHERE demoted != 0");
        statement_c graduated(db_, "SELECT package_sha256 FROM graduations");
        if (!demoted.ready() || !graduated.ready()) return error = sqlite3_errmsg(db_), false;
        int step;
        while ((step = demoted.step()) == SQLITE_ROW) verdicts.demoted.emplace(demoted.text(0), demoted.text(1));
        if (step != SQLITE_DONE) return error = sqlite3_errmsg(db_), false;
        while ((step = graduated.step()) == SQLITE_ROW) verdicts.graduated.insert(graduated.text(0));
        if (step != SQLITE_DONE) return error = sqlite3_errmsg(db_), false;
        return true;
    }

private:
    bool exec(const char* sql, std::string& error) {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
        error = message ? message : sqlite3_errmsg(db_);
        sqlite3_free(message);
        return false;
    }
    report_taken_c rollback(std::string& error) {
        if (error.empty()) error = sqlite3_errmsg(db_);
        std::string ignored;
        exec("ROLLBACK", ignored);
        return report_taken_c::failed;
    }
    // Demoted by the limits or an operator; promoted by an operator, counting afresh.
    bool write_state(const std::string& package_sha256, const std::string& hardware_id, bool demoted, const char* by,
                     std::string& error) {
        statement_c upsert(db_, "INSERT INTO pair_states VALUES (?1, ?2, ?3, 0, 0, ?4, ?5)"
                                " ON CONFLICT (package_sha256, hardware_id) DO UPDATE SET demoted = excluded.demoted,"
                                " reports = CASE WHEN excluded.demoted = 0 THEN 0 ELSE reports END,"
                                " failed = CASE WHEN excluded.demoted = 0 THEN 0 ELSE failed END,"
                                " changed = excluded.changed, decided_by = excluded.decided_by");
        if (!upsert.ready()) return error = sqlite3_errmsg(db_), false;
        upsert.bind(1, package_sha256).bind(2, hardware_id).bind(3, std::int64_t(demoted ? 1 : 0));
        upsert.bind(4, now_in_ms()).bind(5, by);
        if (upsert.step() != SQLITE_DONE) return error = sqlite3_errmsg(db_), false;
        return true;
    }

    // Graduates the package once enough of its reports say installed, none of its pairs demoted
    // and its failures as a whole within the limits. Counting stops at the number needed.
    bool graduate_by_reports(const std::string& package_sha256, const demotion_limits_c& limits, bool& graduated,
                             std::string& error) {
        graduated = false;
        statement_c state(db_, "SELECT (SELECT COUNT(*) FROM graduations WHERE package_sha256 = ?1),"
                               " COALESCE(SUM(reports), 0), COALESCE(SUM(failed), 0), COALESCE(MAX(demoted), 0)"
                               " FROM pair_states WHERE package_sha256 = ?1");
        if (!state.ready()) return error = sqlite3_errmsg(db_), false;
        state.bind(1, package_sha256);
        if (state.step() != SQLITE_ROW) return error = sqlite3_errmsg(db_), false;
        if (state.number(0) != 0 || state.number(3) != 0 ||
            limits.passed(std::uint64_t(state.number(1)), std::uint64_t(state.number(2))))
            return true;
        statement_c installed(db_, "SELECT COUNT(*) FROM (SELECT 1 FROM reports WHERE package_sha256 = ?1"
                                   " AND outcome IN ('installed', 'restart_needed') LIMIT ?2)");
        if (!installed.ready()) return error = sqlite3_errmsg(db_), false;
        installed.bind(1, package_sha256).bind(2, std::int64_t(limits.graduate_after));
        if (installed.step() != SQLITE_ROW) return error = sqlite3_errmsg(db_), false;
        if (std::uint64_t(installed.number(0)) < limits.graduate_after) return true;
        if (!write_graduation(package_sha256, "reports", error)) return false;
        graduated = true;
        return true;
    }
    bool write_graduation(const std::string& package_sha256, const char* by, std::string& error) {
        statement_c insert(db_, "INSERT OR IGNORE INTO graduations VALUES (?1, ?2, ?3)");
        if (!insert.ready()) return error = sqlite3_errmsg(db_), false;
        insert.bind(1, package_sha256).bind(2, now_in_ms()).bind(3, by);
        if (insert.step() != SQLITE_DONE) return error = sqlite3_errmsg(db_), false;
        return true;
    }

    sqlite3* db_;
    std::mutex lock_;
};

}  // namespace

std::unique_ptr<report_store_c> open_sqlite_report_store(const std::string& path, std::string& error) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr) !=
        SQLITE_OK) {
        error = "cannot open the reports database " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 5000);
    char* message = nullptr;
    if (sqlite3_exec(db, report_schema, nullptr, nullptr, &message) != SQLITE_OK) {
        error = "the reports database " + path + ": " + (message ? message : sqlite3_errmsg(db));
        sqlite3_free(message);
        sqlite3_close(db);
        return nullptr;
    }
    return std::make_unique<sqlite_report_store_c>(db);
}
