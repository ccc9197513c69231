#include "server/catalog/sqlite_catalog_schema.h"

#include <sqlite3.h>

namespace {

constexpr const char* version_0 = R"sql(
CREATE TABLE IF NOT EXISTS packages (
    id INTEGER PRIMARY KEY,
    file_name TEXT NOT NULL UNIQUE,
    title TEXT NOT NULL,
    official_link TEXT NOT NULL,
    md5 TEXT NOT NULL,
    size INTEGER NOT NULL,
    sign INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS infs (
    package_id INTEGER NOT NULL REFERENCES packages(id) ON DELETE CASCADE,
    position INTEGER NOT NULL,
    inf_path TEXT NOT NULL,
    provider TEXT NOT NULL,
    class_guid TEXT NOT NULL,
    driver_date TEXT NOT NULL,
    driver_version TEXT NOT NULL,
    PRIMARY KEY (package_id, position)
);
CREATE TABLE IF NOT EXISTS entries (
    package_id INTEGER NOT NULL REFERENCES packages(id) ON DELETE CASCADE,
    position INTEGER NOT NULL,
    inf_position INTEGER NOT NULL,
    device_id TEXT NOT NULL,
    id_position INTEGER NOT NULL,
    architecture TEXT NOT NULL,
    os_major INTEGER NOT NULL,
    os_minor INTEGER NOT NULL,
    description TEXT NOT NULL,
    manufacturer TEXT NOT NULL,
    feature_score INTEGER NOT NULL,
    PRIMARY KEY (package_id, position)
);
)sql";

constexpr const char* version_1 = R"sql(
ALTER TABLE entries ADD COLUMN decoration TEXT;
ALTER TABLE entries ADD COLUMN models_line INTEGER;
CREATE TABLE models_lines (
    package_id INTEGER NOT NULL REFERENCES packages(id) ON DELETE CASCADE,
    position INTEGER NOT NULL,
    inf_position INTEGER NOT NULL,
    decorations TEXT NOT NULL,
    PRIMARY KEY (package_id, position)
);
PRAGMA user_version = 1;
)sql";

constexpr const char* version_2 = R"sql(
ALTER TABLE packages ADD COLUMN sha256 TEXT;
ALTER TABLE infs ADD COLUMN signature TEXT;
PRAGMA user_version = 2;
)sql";

constexpr const char* version_3 = R"sql(
CREATE TABLE IF NOT EXISTS releases (
    id INTEGER PRIMARY KEY,
    version TEXT NOT NULL,
    file_name TEXT NOT NULL,
    size INTEGER NOT NULL,
    sha256 TEXT NOT NULL,
    signature TEXT NOT NULL
);
PRAGMA user_version = 3;
)sql";

constexpr const char* version_4 = R"sql(
CREATE TABLE IF NOT EXISTS catalog_statement (
    id INTEGER PRIMARY KEY CHECK (id = 1),
    serial INTEGER NOT NULL,
    expires INTEGER NOT NULL,
    signature TEXT NOT NULL
);
CREATE TABLE IF NOT EXISTS withdrawn (
    sha256 TEXT PRIMARY KEY,
    reason TEXT NOT NULL
);
PRAGMA user_version = 4;
)sql";

constexpr const char* version_5 = R"sql(
ALTER TABLE packages ADD COLUMN channel TEXT NOT NULL DEFAULT 'stable';
PRAGMA user_version = 5;
)sql";

bool execute(sqlite3* db, const char* sql, std::string& error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
    error = message ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    return false;
}

}  // namespace

int catalog_schema_version(sqlite3* db) {
    sqlite3_stmt* statement = nullptr;
    int version = -1;
    if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW)
        version = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    return version;
}

bool prepare_catalog_schema(sqlite3* db, std::string& error) {
    if (!execute(db, "PRAGMA foreign_keys = ON; BEGIN IMMEDIATE", error)) return false;
    // Read inside the transaction: another tool cannot take the same step in between.
    int version = catalog_schema_version(db);
    bool done = version >= 0 && version <= current_catalog_schema && execute(db, version_0, error) &&
                (version >= 1 || execute(db, version_1, error)) && (version >= 2 || execute(db, version_2, error)) &&
                (version >= 3 || execute(db, version_3, error)) && (version >= 4 || execute(db, version_4, error)) &&
                (version >= 5 || execute(db, version_5, error));
    if (version > current_catalog_schema) error = "written by a later version of the catalog tool (schema " + std::to_string(version) + ")";
    if (version < 0) error = sqlite3_errmsg(db);
    if (done) return execute(db, "COMMIT", error);
    std::string ignored;
    execute(db, "ROLLBACK", ignored);
    return false;
}
