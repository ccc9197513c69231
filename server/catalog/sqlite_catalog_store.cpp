#include "server/catalog/sqlite_catalog_store.h"

#include "server/catalog/catalog_pipeline.h"
#include "server/inf/code_page_decoder.h"
#include "server/catalog/sqlite_catalog_schema.h"
#include "server/catalog/sqlite_statement.h"
#include "server/inf/utf8_text.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <algorithm>
#include <unordered_map>

std::unique_ptr<sqlite_catalog_store_c> sqlite_catalog_store_c::open(const std::string& path, bool create, std::string& error) {
    sqlite3* db = nullptr;
    int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_FULLMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        error = "cannot open catalog " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<sqlite_catalog_store_c> store(new sqlite_catalog_store_c(db));
    sqlite3_busy_timeout(db, 5000);
    if (!prepare_catalog_schema(db, error)) {
        error = "catalog " + path + ": " + error;
        return nullptr;
    }
    store->schema_ = catalog_schema_version(db);
    return store;
}

std::unique_ptr<sqlite_catalog_store_c> sqlite_catalog_store_c::open_read_only(const std::string& path, std::string& error) {
    if (::access(path.c_str(), R_OK) != 0) return error = "cannot open catalog " + path + ": " + std::strerror(errno), nullptr;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        error = "cannot open catalog " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<sqlite_catalog_store_c> store(new sqlite_catalog_store_c(db));
    sqlite3_busy_timeout(db, 5000);
    statement_c tables(db, "SELECT 1 FROM packages, infs, entries LIMIT 0");
    if (!tables.ready() || tables.step() != SQLITE_DONE) {
        error = "catalog " + path + " is not a catalog: " + sqlite3_errmsg(db);
        return nullptr;
    }
    store->schema_ = catalog_schema_version(db);
    return store;
}

sqlite_catalog_store_c::~sqlite_catalog_store_c() { sqlite3_close(db_); }

bool sqlite_catalog_store_c::execute(const char* sql, std::string& error) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
    error = message ? message : sqlite3_errmsg(db_);
    sqlite3_free(message);
    return false;
}

bool sqlite_catalog_store_c::insert_package(const catalog_package_c& package, std::string& error) {
    statement_c existing(db_, "SELECT md5 FROM packages WHERE file_name = ?1");
    if (!existing.ready()) return error = sqlite3_errmsg(db_), false;
    existing.bind(1, package.file_name);
    if (existing.step() == SQLITE_ROW) {
        if (existing.text(0) != package.md5) {
            error = "a different package named " + package.file_name + " is already in the catalog";
            return false;
        }
        statement_c remove(db_, "DELETE FROM packages WHERE file_name = ?1");
        remove.bind(1, package.file_name);
        if (remove.step() != SQLITE_DONE) return error = sqlite3_errmsg(db_), false;
    }
    statement_c insert(db_, "INSERT INTO packages (file_name, title, official_link, md5, size, sign, sha256, channel) "
                            "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    insert.bind(1, package.file_name).bind(2, package.title).bind(3, package.official_link).bind(4, package.md5);
    insert.bind(5, std::int64_t(package.size)).bind(6, std::int64_t(package.sign)).bind_or_null(7, package.sha256);
    insert.bind(8, package.testing ? "testing" : "stable");
    if (insert.step() != SQLITE_DONE) return error = sqlite3_errmsg(db_), false;
    std::int64_t id = sqlite3_last_insert_rowid(db_);

    statement_c inf(db_, "INSERT INTO infs (package_id, position, inf_path, provider, class_guid, driver_date, driver_version, "
                         "signature) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    for (std::size_t i = 0; i < package.infs.size(); ++i) {
        const catalog_inf_c& f = package.infs[i];
        inf.bind(1, id).bind(2, std::int64_t(i)).bind(3, f.inf_path).bind(4, f.provider).bind(5, f.class_guid);
        inf.bind(6, f.driver_date).bind(7, f.driver_version).bind_or_null(8, f.signature);
        if (inf.step() != SQLITE_DONE) return error = sqlite3_errmsg(db_), false;
        inf.reset();
    }
    statement_c line(db_, "INSERT INTO models_lines (package_id, position, inf_position, decorations) VALUES (?1, ?2, ?3, ?4)");
    for (std::size_t i = 0; i < package.models_lines.size(); ++i) {
        const catalog_models_line_c& l = package.models_lines[i];
        if (l.inf_index >= package.infs.size()) return error = "a manufacturer line names an INF the package does not have", false;
        line.bind(1, id).bind(2, std::int64_t(i)).bind(3, std::int64_t(l.inf_index)).bind(4, l.decorations);
        if (line.step() != SQLITE_DONE) return error = sqlite3_errmsg(db_), false;
        line.reset();
    }
    statement_c entry(db_, "INSERT INTO entries (package_id, position, inf_position, device_id, id_position, architecture, "
                           "os_major, os_minor, description, manufacturer, feature_score, decoration, models_line) "
                           "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)");
    for (std::size_t i = 0; i < package.entries.size(); ++i) {
        const catalog_entry_c& e = package.entries[i];
        if (e.inf_index >= package.infs.size()) return error = "entry names an INF the package does not have", false;
        entry.bind(1, id).bind(2, std::int64_t(i)).bind(3, std::int64_t(e.inf_index)).bind(4, e.device_id);
        entry.bind(5, std::int64_t(e.id_position)).bind(6, e.architecture).bind(7, std::int64_t(e.os_major));
        entry.bind(8, std::int64_t(e.os_minor)).bind(9, e.description).bind(10, e.manufacturer);
        entry.bind(11, std::int64_t(e.feature_score));
        // An entry without a line keeps NULL in both, as rows written before lines were kept.
        if (e.models_line >= 0 && std::size_t(e.models_line) < package.models_lines.size())
            entry.bind(12, e.decoration).bind(13, std::int64_t(e.models_line));
        if (entry.step() != SQLITE_DONE) return error = sqlite3_errmsg(db_), false;
        entry.reset();
    }
    return true;
}

bool sqlite_catalog_store_c::add_packages(const std::vector<catalog_package_c>& packages, std::string& error) {
    if (!execute("BEGIN IMMEDIATE", error)) return false;
    for (const auto& package : packages) {
        if (!insert_package(package, error)) {
            std::string ignored;
            execute("ROLLBACK", ignored);
            return false;
        }
    }
    return execute("COMMIT", error);
}

bool sqlite_catalog_store_c::remove_package(std::string_view file_name, std::string& error) {
    statement_c remove(db_, "DELETE FROM packages WHERE file_name = ?1");
    remove.bind(1, std::string(file_name));
    if (remove.step() != SQLITE_DONE) return error = sqlite3_errmsg(db_), false;
    if (sqlite3_changes(db_) == 0) return error = "no package named " + std::string(file_name) + " in the catalog", false;
    return true;
}

bool sqlite_catalog_store_c::update_signatures(const std::vector<catalog_package_c>& packages, std::string& error) {
    if (!execute("BEGIN IMMEDIATE", error)) return false;
    statement_c package_row(db_, "UPDATE packages SET sha256 = ?2 WHERE file_name = ?1 RETURNING id");
    statement_c inf_row(db_, "UPDATE infs SET signature = ?3 WHERE package_id = ?1 AND position = ?2");
    auto update = [&](const catalog_package_c& package) {
        if (!package_row.ready() || !inf_row.ready()) return error = sqlite3_errmsg(db_), false;
        package_row.bind(1, package.file_name).bind_or_null(2, package.sha256);
        if (package_row.step() != SQLITE_ROW) return error = "no package named " + package.file_name + " in the catalog", false;
        std::int64_t id = package_row.number(0);
        if (package_row.step() != SQLITE_DONE) return error = sqlite3_errmsg(db_), false;
        package_row.reset();
        for (std::size_t i = 0; i < package.infs.size(); ++i) {
            inf_row.bind(1, id).bind(2, std::int64_t(i)).bind_or_null(3, package.infs[i].signature);
            if (inf_row.step() != SQLITE_DONE) return error = sqlite3_errmsg(db_), false;
            inf_row.reset();
        }
        return true;
    };
    for (const auto& package : packages) {
        if (!update(package)) {
            std::string ignored;
            execute("ROLLBACK", ignored);
            return false;
        }
    }
    return execute("COMMIT", error);
}

bool sqlite_catalog_store_c::record_release(const catalog_release_c& release, std::string& error) {
    statement_c row(db_, "INSERT INTO releases (version, file_name, size, sha256, signature) VALUES (?1, ?2, ?3, ?4, ?5)");
    if (!row.ready()) return error = sqlite3_errmsg(db_), false;
    row.bind(1, release.version).bind(2, release.file_name).bind(3, std::int64_t(release.size)).bind(4, release.sha256);
    row.bind(5, release.signature);
    if (row.step() != SQLITE_DONE) return error = sqlite3_errmsg(db_), false;
    return true;
}

bool sqlite_catalog_store_c::load_release(std::optional<catalog_release_c>& release, std::string& error) {
    release.reset();
    if (schema_ < 3) return true;  // written before releases were kept
    statement_c newest(db_, "SELECT version, file_name, size, sha256, signature FROM releases ORDER BY id DESC LIMIT 1");
    if (!newest.ready()) return error = sqlite3_errmsg(db_), false;
    const int status = newest.step();
    if (status == SQLITE_DONE) return true;
    if (status != SQLITE_ROW) return error = sqlite3_errmsg(db_), false;
    release = catalog_release_c{newest.text(0), newest.text(1), std::uint64_t(newest.number(2)), newest.text(3), newest.text(4)};
    return true;
}

bool sqlite_catalog_store_c::record_statement(const catalog_statement_c& statement, std::string& error) {
    if (!execute("BEGIN IMMEDIATE", error)) return false;
    auto write = [&] {
        statement_c row(db_, "INSERT OR REPLACE INTO catalog_statement (id, serial, expires, signature) VALUES (1, ?1, ?2, ?3)");
        statement_c withdrawal(db_, "INSERT INTO withdrawn (sha256, reason) VALUES (?1, ?2)");
        if (!row.ready() || !withdrawal.ready() || !execute("DELETE FROM withdrawn", error)) return false;
        row.bind(1, std::int64_t(statement.serial)).bind(2, statement.expires).bind(3, statement.signature);
        if (row.step() != SQLITE_DONE) return false;
        for (const catalog_withdrawal_c& package : statement.withdrawn) {
            withdrawal.bind(1, package.sha256).bind(2, package.reason);
            if (withdrawal.step() != SQLITE_DONE) return false;
            withdrawal.reset();
        }
        return true;
    };
    if (write()) return execute("COMMIT", error);
    if (error.empty()) error = sqlite3_errmsg(db_);
    std::string ignored;
    execute("ROLLBACK", ignored);
    return false;
}

bool sqlite_catalog_store_c::load_statement(std::optional<catalog_statement_c>& statement, std::string& error) {
    statement.reset();
    if (schema_ < 4) return true;  // written before statements were kept
    statement_c row(db_, "SELECT serial, expires, signature FROM catalog_statement WHERE id = 1");
    statement_c withdrawals(db_, "SELECT sha256, reason FROM withdrawn ORDER BY sha256");
    if (!row.ready() || !withdrawals.ready()) return error = sqlite3_errmsg(db_), false;
    int status = row.step();
    if (status == SQLITE_DONE) return true;
    if (status != SQLITE_ROW) return error = sqlite3_errmsg(db_), false;
    catalog_statement_c read{std::uint64_t(row.number(0)), row.number(1), {}, row.text(2)};
    while ((status = withdrawals.step()) == SQLITE_ROW) read.withdrawn.push_back({withdrawals.text(0), withdrawals.text(1)});
    if (status != SQLITE_DONE) return error = sqlite3_errmsg(db_), false;
    statement = std::move(read);
    return true;
}

bool sqlite_catalog_store_c::withdrawn_file_names(std::set<std::string>& names, std::string& error) {
    names.clear();
    if (schema_ < 4) return true;
    statement_c rows(db_, "SELECT file_name FROM packages WHERE sha256 IN (SELECT sha256 FROM withdrawn)");
    if (!rows.ready()) return error = sqlite3_errmsg(db_), false;
    int status;
    while ((status = rows.step()) == SQLITE_ROW) names.insert(rows.text(0));
    if (status != SQLITE_DONE) return error = sqlite3_errmsg(db_), false;
    return true;
}

namespace {

// An entries row's own fields (columns 1 to 9), without its models line.
catalog_entry_c entry_of_row(const statement_c& entries) {
    catalog_entry_c e;
    e.inf_index = std::uint32_t(entries.number(1));
    e.device_id = entries.text(2);
    e.id_position = int(entries.number(3));
    e.architecture = entries.text(4);
    e.os_major = int(entries.number(5));
    e.os_minor = int(entries.number(6));
    e.description = entries.text(7);
    e.manufacturer = entries.text(8);
    e.feature_score = int(entries.number(9));
    return e;
}

}  // namespace

bool sqlite_catalog_store_c::load_packages(std::vector<catalog_package_c>& packages, std::string& error) {
    packages.clear();
    std::unordered_map<std::int64_t, std::size_t> by_id;
    statement_c all(db_, (std::string("SELECT id, file_name, title, official_link, md5, size, sign, ") + sha256_column() + ", " + channel_column() +
                          " FROM packages ORDER BY id").c_str());
    if (!all.ready()) return error = sqlite3_errmsg(db_), false;
    int status;
    while ((status = all.step()) == SQLITE_ROW) {
        catalog_package_c package;
        package.file_name = all.text(1);
        package.title = all.text(2);
        package.official_link = all.text(3);
        package.md5 = all.text(4);
        package.size = std::uint64_t(all.number(5));
        package.sign = int(all.number(6));
        package.sha256 = all.text(7);
        package.testing = all.text(8) == "testing";
        by_id.emplace(all.number(0), packages.size());
        packages.push_back(std::move(package));
    }
    if (status != SQLITE_DONE) return error = sqlite3_errmsg(db_), false;

    statement_c infs(db_, (std::string("SELECT package_id, inf_path, provider, class_guid, driver_date, driver_version, ") +
                           signature_column() + " FROM infs ORDER BY package_id, position").c_str());
    while ((status = infs.step()) == SQLITE_ROW) {
        auto owner = by_id.find(infs.number(0));
        if (owner == by_id.end()) continue;
        packages[owner->second].infs.push_back({infs.text(1), infs.text(2), infs.text(3), infs.text(4), infs.text(5), infs.text(6)});
    }
    if (status != SQLITE_DONE) return error = sqlite3_errmsg(db_), false;

    if (schema_ >= 1) {
        statement_c lines(db_, "SELECT package_id, inf_position, decorations FROM models_lines ORDER BY package_id, position");
        while ((status = lines.step()) == SQLITE_ROW) {
            auto owner = by_id.find(lines.number(0));
            if (owner == by_id.end()) continue;
            packages[owner->second].models_lines.push_back({std::uint32_t(lines.number(1)), lines.text(2)});
        }
        if (status != SQLITE_DONE) return error = sqlite3_errmsg(db_), false;
    }

    statement_c entries(db_, (std::string("SELECT package_id, inf_position, device_id, id_position, architecture, os_major, "
                                          "os_minor, description, manufacturer, feature_score, ") +
                              line_columns() + " FROM entries ORDER BY package_id, position").c_str());
    while ((status = entries.step()) == SQLITE_ROW) {
        auto owner = by_id.find(entries.number(0));
        if (owner == by_id.end()) continue;
        catalog_entry_c e = entry_of_row(entries);
        catalog_package_c& package = packages[owner->second];
        if (!entries.is_null(11) && entries.number(11) >= 0 && std::size_t(entries.number(11)) < package.models_lines.size()) {
            e.decoration = entries.text(10);
            e.models_line = int(entries.number(11));
        }
        if (e.inf_index < package.infs.size()) package.entries.push_back(std::move(e));
    }
    if (status != SQLITE_DONE) return error = sqlite3_errmsg(db_), false;
    return true;
}

namespace {

// Records of a catalog this tool wrote follow each other in package order already: a plain scan
// by row number reads them fastest. Any other order is seen, and the catalog read sorted instead.
struct record_order_c {
    std::int64_t package = -1, position = -1;
    bool follows(std::int64_t next_package, std::int64_t next_position) {
        bool in_order = next_package > package || (next_package == package && next_position > position);
        package = next_package;
        position = next_position;
        return in_order;
    }
};

}  // namespace

bool sqlite_catalog_store_c::load_index(catalog_index_builder_c& builder, const std::function<bool(std::string_view)>& keep,
                                        std::string& error) {
    // Read on a thread of its own while the calling thread builds.
    bool in_order = true;
    auto read = [&](catalog_record_sink_c& sink) { return load_index_in(sink, keep, true, in_order, error); };
    if (!read_while_building(read, builder)) return false;
    if (in_order) return true;
    builder = catalog_index_builder_c();
    return load_index_in(builder, keep, false, in_order, error);
}

bool sqlite_catalog_store_c::load_index_in(catalog_record_sink_c& builder, const std::function<bool(std::string_view)>& keep,
                                           bool by_row_number, bool& in_order, std::string& error) {
    // Four cursors in package order: each package, then its INF files, its manufacturer lines, its entries.
    const char* order = by_row_number ? " ORDER BY rowid" : " ORDER BY package_id, position";
    statement_c packages(db_, (std::string("SELECT id, file_name, title, official_link, md5, size, sign, ") + sha256_column() + ", " + channel_column() +
                               " FROM packages ORDER BY id").c_str());
    statement_c infs(db_, (std::string("SELECT package_id, inf_path, provider, class_guid, driver_date, driver_version, position, ") +
                           signature_column() + " FROM infs" + order).c_str());
    statement_c entries(db_, (std::string("SELECT package_id, inf_position, device_id, id_position, architecture, os_major, "
                                          "os_minor, description, manufacturer, feature_score, position, ") +
                              line_columns() + " FROM entries" + order).c_str());
    // A file without manufacturer lines reads an empty list in their place.
    statement_c lines(db_, schema_ >= 1 ? (std::string("SELECT package_id, inf_position, decorations, position FROM models_lines") + order).c_str()
                                        : "SELECT 0, 0, '', 0 WHERE 0");
    if (!packages.ready() || !infs.ready() || !entries.ready() || !lines.ready()) return error = sqlite3_errmsg(db_), false;
    // The largest row numbers tell the sizes about, without counting the rows.
    statement_c sizes(db_, "SELECT (SELECT max(rowid) FROM packages), (SELECT max(rowid) FROM entries)");
    if (sizes.ready() && sizes.step() == SQLITE_ROW)
        builder.expect(std::size_t(std::max<std::int64_t>(sizes.number(0), 0)), std::size_t(std::max<std::int64_t>(sizes.number(1), 0)));
    std::string scratch[6];
    record_order_c inf_order, line_order, entry_order;
    int inf_status = infs.step(), line_status = lines.step(), entry_status = entries.step(), status;
    while ((status = packages.step()) == SQLITE_ROW) {
        std::int64_t id = packages.number(0);
        bool kept = keep(packages.view(1, scratch[0]));  // a package left out: its records are passed over
        if (kept) builder.add_package({packages.view(1, scratch[0]), packages.view(2, scratch[1]), packages.view(3, scratch[2]),
                                       packages.view(4, scratch[3]), std::uint64_t(packages.number(5)), int(packages.number(6)),
                                       packages.view(7, scratch[4]), packages.view(8, scratch[5]) == "testing"});
        for (; inf_status == SQLITE_ROW && infs.number(0) <= id; inf_status = infs.step()) {
            if (!inf_order.follows(infs.number(0), infs.number(6))) return in_order = false, true;
            if (infs.number(0) != id || !kept) continue;  // records of a package that is gone, or left out
            builder.add_inf({{infs.view(1, scratch[0]), infs.view(2, scratch[1]), infs.view(3, scratch[2]),
                              infs.view(4, scratch[3]), infs.view(5, scratch[4])}, infs.view(7, scratch[5])});
        }
        for (; line_status == SQLITE_ROW && lines.number(0) <= id; line_status = lines.step()) {
            if (!line_order.follows(lines.number(0), lines.number(3))) return in_order = false, true;
            if (lines.number(0) != id || !kept) continue;
            builder.add_models_line({std::uint32_t(lines.number(1)), lines.view(2, scratch[0])});
        }
        for (; entry_status == SQLITE_ROW && entries.number(0) <= id; entry_status = entries.step()) {
            if (!entry_order.follows(entries.number(0), entries.number(10))) return in_order = false, true;
            if (entries.number(0) != id || !kept) continue;
            entry_fields_c e;
            e.inf_index = std::uint32_t(entries.number(1));
            e.device_id = entries.view(2, scratch[0]);
            e.id_position = int(entries.number(3));
            e.architecture = entries.view(4, scratch[1]);
            e.os_major = int(entries.number(5));
            e.os_minor = int(entries.number(6));
            e.description = entries.view(7, scratch[2]);
            e.manufacturer = entries.view(8, scratch[3]);
            e.feature_score = int(entries.number(9));
            if (!entries.is_null(12)) {
                e.decoration = entries.view(11, scratch[4]);
                e.models_line = int(std::clamp<std::int64_t>(entries.number(12), -1, 0x7FFFFFFF));
            }
            builder.add_entry(e);  // one that names a missing INF file is left out, as load_packages does
        }
    }
    // Records after the last package's are out of order too.
    if ((inf_status == SQLITE_ROW && !inf_order.follows(infs.number(0), infs.number(6))) ||
        (line_status == SQLITE_ROW && !line_order.follows(lines.number(0), lines.number(3))) ||
        (entry_status == SQLITE_ROW && !entry_order.follows(entries.number(0), entries.number(10))))
        return in_order = false, true;
    if (status != SQLITE_DONE || (inf_status != SQLITE_ROW && inf_status != SQLITE_DONE) ||
        (line_status != SQLITE_ROW && line_status != SQLITE_DONE) || (entry_status != SQLITE_ROW && entry_status != SQLITE_DONE))
        return error = sqlite3_errmsg(db_), false;
    return true;
}
