// Install reports in PostgreSQL, the store several servers share behind a load balancer. One
// connection per server, its statements serialised; a connection lost is made again once per
// call. A pair's counts are kept in its row, which each report updates under the row's lock, so
// two servers taking its reports at once count each other's.
#include "server/reports/report_store.h"

#include <libpq-fe.h>

#include <mutex>
#include <string>
#include <vector>

namespace {

const char* const postgres_schema =
    "CREATE TABLE IF NOT EXISTS reports ("
    "  report_id TEXT PRIMARY KEY, received BIGINT NOT NULL, package_sha256 TEXT NOT NULL,"
    "  hardware_id TEXT NOT NULL, inf_path TEXT NOT NULL, replaced_version TEXT NOT NULL,"
    "  replaced_date TEXT NOT NULL, replaced_provider TEXT NOT NULL, outcome TEXT NOT NULL,"
    "  failed INTEGER NOT NULL, exit_code BIGINT, problem_code BIGINT, os TEXT NOT NULL,"
    "  build BIGINT NOT NULL, machine TEXT NOT NULL);"
    "CREATE INDEX IF NOT EXISTS reports_by_package ON reports (package_sha256, hardware_id, received);"
    "CREATE TABLE IF NOT EXISTS pair_states ("
    "  package_sha256 TEXT NOT NULL, hardware_id TEXT NOT NULL, demoted INTEGER NOT NULL,"
    "  reports BIGINT NOT NULL, failed BIGINT NOT NULL, changed BIGINT NOT NULL, decided_by TEXT NOT NULL,"
    "  PRIMARY KEY (package_sha256, hardware_id));"
    "CREATE TABLE IF NOT EXISTS graduations ("
    "  package_sha256 TEXT PRIMARY KEY, changed BIGINT NOT NULL, decided_by TEXT NOT NULL);";

// The database's clock in milliseconds: every server times reports alike.
const char* const database_now_ms = "(extract(epoch from clock_timestamp()) * 1000)::bigint";

struct result_c {
    PGresult* result = nullptr;
    explicit result_c(PGresult* made) : result(made) {}
    ~result_c() { PQclear(result); }
    result_c(const result_c&) = delete;
    result_c& operator=(const result_c&) = delete;
    ExecStatusType status() const { return result ? PQresultStatus(result) : PGRES_FATAL_ERROR; }
    bool ok() const { return status() == PGRES_COMMAND_OK || status() == PGRES_TUPLES_OK; }
    int rows() const { return result ? PQntuples(result) : 0; }
    std::string text(int row, int column) const { return PQgetvalue(result, row, column); }
    bool null(int row, int column) const { return PQgetisnull(result, row, column) != 0; }
    long long number(int row, int column) const { return std::stoll(text(row, column)); }
};

class postgres_report_store_c final : public report_store_c {
public:
    explicit postgres_report_store_c(std::string url) : url_(std::move(url)) {}
    ~postgres_report_store_c() override { PQfinish(connection_); }

    bool connect(std::string& error) {
        if (connection_ && PQstatus(connection_) == CONNECTION_OK) return true;
        PQfinish(connection_);
        connection_ = PQconnectdb(url_.c_str());
        if (PQstatus(connection_) != CONNECTION_OK) return error = std::string("PostgreSQL: ") + PQerrorMessage(connection_), false;
        return true;
    }

    bool prepare_schema(std::string& error) {
        std::lock_guard<std::mutex> hold(lock_);
        if (!connect(error)) return false;
        // Servers starting together must not make the tables at the same moment.
        return exec("SELECT pg_advisory_lock(7260431)", error) && exec(postgres_schema, error) &&
               exec("SELECT pg_advisory_unlock(7260431)", error);
    }

    report_taken_c add(const install_report_c& report, const demotion_limits_c& limits, bool& decided,
                       std::string& error) override {
        decided = false;
        std::lock_guard<std::mutex> hold(lock_);
        if (!connect(error) || !exec("BEGIN", error)) return report_taken_c::failed;
        const std::string failed = counts_as_failure(report.outcome) ? "1" : "0";
        const std::string exit_code = report.exit_code ? std::to_string(*report.exit_code) : "";
        const std::string problem_code = report.problem_code ? std::to_string(*report.problem_code) : "";
        const std::string build = std::to_string(report.build);
        const char* insert =
            "INSERT INTO reports VALUES ($1, (extract(epoch from clock_timestamp()) * 1000)::bigint, $2, $3, $4, $5, $6, $7,"
            " $8, $9::integer, NULLIF($10, '')::bigint, NULLIF($11, '')::bigint, $12, $13::bigint, $14)"
            " ON CONFLICT (report_id) DO NOTHING";
        result_c inserted(exec_params(insert, {report.report_id, report.package_sha256, report.hardware_id, report.inf_path,
                                                report.replaced_version, report.replaced_date, report.replaced_provider,
                                                outcome_name(report.outcome), failed, exit_code, problem_code, report.os,
                                                build, report.machine}));
        if (!inserted.ok()) return error = message(), rollback();
        if (std::string(PQcmdTuples(inserted.result)) == "0") {
            std::string ignored;
            exec("ROLLBACK", ignored);
            return report_taken_c::already_taken;
        }
        // The pair's running counts, its row locked by the update until the commit: two servers
        // taking its reports at once count each other's.
        const std::string count = std::string("INSERT INTO pair_states VALUES ($1, $2, 0, 1, $3::bigint, ") + database_now_ms +
                                  ", 'reports') ON CONFLICT (package_sha256, hardware_id) DO UPDATE SET"
                                  " reports = pair_states.reports + 1, failed = pair_states.failed + excluded.failed"
                                  " RETURNING demoted, reports, failed";
        result_c counted(exec_params(count.c_str(), {report.package_sha256, report.hardware_id, failed}));
        if (!counted.ok() || counted.rows() != 1) return error = message(), rollback();
        const bool already = counted.number(0, 0) != 0;
        if (!already && limits.passed(std::uint64_t(counted.number(0, 1)), std::uint64_t(counted.number(0, 2)))) {
            if (!write_state(report.package_sha256, report.hardware_id, true, "limits", error)) return rollback();
            decided = true;
        }
        if (counts_as_installed(report.outcome) && limits.graduate_after > 0) {
            bool graduated = false;
            if (!graduate_by_reports(report.package_sha256, limits, graduated, error)) return rollback();
            decided = decided || graduated;
        }
        if (!exec("COMMIT", error)) return rollback();
        return report_taken_c::added;
    }

    std::vector<report_tally_c> tallies(const std::string& package_sha256, std::string& error) override {
        std::vector<report_tally_c> out;
        std::lock_guard<std::mutex> hold(lock_);
        if (!connect(error)) return out;
        result_c rows(exec_params(
            "SELECT r.package_sha256, r.hardware_id, COUNT(*),"
            " SUM(CASE WHEN r.outcome IN ('installed', 'restart_needed') THEN 1 ELSE 0 END),"
            " SUM(CASE WHEN r.outcome = 'not_better' THEN 1 ELSE 0 END), SUM(r.failed), COALESCE(MAX(s.demoted), 0)"
            " FROM reports r LEFT JOIN pair_states s"
            " ON s.package_sha256 = r.package_sha256 AND s.hardware_id = r.hardware_id"
            " WHERE $1 = '' OR r.package_sha256 = $1"
            " GROUP BY r.package_sha256, r.hardware_id ORDER BY COUNT(*) DESC, r.package_sha256, r.hardware_id",
            {package_sha256}));
        if (!rows.ok()) return error = message(), out;
        for (int i = 0; i < rows.rows(); ++i)
            out.push_back({rows.text(i, 0), rows.text(i, 1), std::uint64_t(rows.number(i, 2)), std::uint64_t(rows.number(i, 3)),
                           std::uint64_t(rows.number(i, 4)), std::uint64_t(rows.number(i, 5)), rows.number(i, 6) != 0});
        return out;
    }

    bool set_demoted(const std::string& package_sha256, const std::string& hardware_id, bool demoted,
                     std::string& error) override {
        std::lock_guard<std::mutex> hold(lock_);
        return connect(error) && write_state(package_sha256, hardware_id, demoted, "operator", error);
    }

    bool set_graduated(const std::string& package_sha256, std::string& error) override {
        std::lock_guard<std::mutex> hold(lock_);
        return connect(error) && write_graduation(package_sha256, "operator", error);
    }

    bool read_verdicts(report_verdicts_c& verdicts, std::string& error) override {
        std::lock_guard<std::mutex> hold(lock_);
        verdicts = {};
        if (!connect(error)) return false;
        result_c demoted(exec_params("SELECT package_sha256, hardware_id FROM pair_states WHERE demoted != 0", {}));
        if (!demoted.ok()) return error = message(), false;
        for (int i = 0; i < demoted.rows(); ++i) verdicts.demoted.emplace(demoted.text(i, 0), demoted.text(i, 1));
        result_c graduated(exec_params("SELECT package_sha256 FROM graduations", {}));
        if (!graduated.ok()) return error = message(), false;
        for (int i = 0; i < graduated.rows(); ++i) verdicts.graduated.insert(graduated.text(i, 0));
        return true;
    }

private:
    std::string message() const { return std::string("PostgreSQL: ") + PQerrorMessage(connection_); }

    PGresult* exec_params(const char* sql, const std::vector<std::string>& values) {
        std::vector<const char*> pointers;
        for (const std::string& value : values) pointers.push_back(value.c_str());
        return PQexecParams(connection_, sql, int(values.size()), nullptr, pointers.data(), nullptr, nullptr, 0);
    }
    bool query(const char* sql, const std::vector<std::string>& values, std::string& error) {
        result_c done(exec_params(sql, values));
        if (!done.ok()) return error = message(), false;
        return true;
    }
    bool exec(const char* sql, std::string& error) {
        result_c done(PQexec(connection_, sql));
        if (!done.ok()) return error = message(), false;
        return true;
    }
    report_taken_c rollback() {
        std::string ignored;
        exec("ROLLBACK", ignored);
        return report_taken_c::failed;
    }
    // Demoted by the limits or an operator; promoted by an operator, counting afresh.
    bool write_state(const std::string& package_sha256, const std::string& hardware_id, bool demoted, const char* by,
                     std::string& error) {
        const std::string sql = std::string("INSERT INTO pair_states VALUES ($1, $2, $3::integer, 0, 0, ") + database_now_ms +
                                ", $4) ON CONFLICT (package_sha256, hardware_id) DO UPDATE SET demoted = excluded.demoted,"
                                " reports = CASE WHEN excluded.demoted = 0 THEN 0 ELSE pair_states.reports END,"
                                " failed = CASE WHEN excluded.demoted = 0 THEN 0 ELSE pair_states.failed END,"
                                " changed = excluded.changed, decided_by = excluded.decided_by";
        return query(sql.c_str(), {package_sha256, hardware_id, demoted ? "1" : "0", by}, error);
    }

    // Graduates the package once enough of its reports say installed, none of its pairs demoted
    // and its failures as a whole within the limits. Counting stops at the number needed.
    bool graduate_by_reports(const std::string& package_sha256, const demotion_limits_c& limits, bool& graduated,
                             std::string& error) {
        graduated = false;
        result_c state(exec_params("SELECT (SELECT COUNT(*) FROM graduations WHERE package_sha256 = $1),"
                                   " COALESCE(SUM(reports), 0), COALESCE(SUM(failed), 0), COALESCE(MAX(demoted), 0)"
                                   " FROM pair_states WHERE package_sha256 = $1",
                                   {package_sha256}));
        if (!state.ok() || state.rows() != 1) return error = message(), false;
        if (state.number(0, 0) != 0 || state.number(0, 3) != 0 ||
            limits.passed(std::uint64_t(state.number(0, 1)), std::uint64_t(state.number(0, 2))))
            return true;
        result_c installed(exec_params("SELECT COUNT(*) FROM (SELECT 1 FROM reports WHERE package_sha256 = $1"
                                       " AND outcome IN ('installed', 'restart_needed') LIMIT $2::bigint) AS good",
                                       {package_sha256, std::to_string(limits.graduate_after)}));
        if (!installed.ok() || installed.rows() != 1) return error = message(), false;
        if (std::uint64_t(installed.number(0, 0)) < limits.graduate_after) return true;
        if (!write_graduation(package_sha256, "reports", error)) return false;
        graduated = true;
        return true;
    }
    bool write_graduation(const std::string& package_sha256, const char* by, std::string& error) {
        const std::string sql = std::string("INSERT INTO graduations VALUES ($1, ") + database_now_ms +
                                ", $2) ON CONFLICT (package_sha256) DO NOTHING";
        return query(sql.c_str(), {package_sha256, by}, error);
    }

    std::string url_;
    PGconn* connection_ = nullptr;
    std::mutex lock_;
};

}  // namespace

std::unique_ptr<report_store_c> open_postgres_report_store(const std::string& url, std::string& error) {
    auto store = std::make_unique<postgres_report_store_c>(url);
    if (!store->prepare_schema(error)) return nullptr;
    return store;
}

std::unique_ptr<report_store_c> open_report_store(const std::string& where, std::string& error) {
    if (where.rfind("postgresql://", 0) == 0 || where.rfind("postgres://", 0) == 0) return open_postgres_report_store(where, error);
    return open_sqlite_report_store(where, error);
}
