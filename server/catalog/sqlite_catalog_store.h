// The catalog in one SQLite database file.
#pragma once

#include "server/catalog/catalog_index.h"
#include "server/catalog/catalog_store.h"

#include <functional>
#include <memory>
#include <set>
#include <string>

struct sqlite3;

class sqlite_catalog_store_c final : public catalog_store_c {
public:
    // Opens (creating when `create` is set) the database and its tables; null with an error otherwise.
    static std::unique_ptr<sqlite_catalog_store_c> open(const std::string& path, bool create, std::string& error);
    // Opens an existing catalog for reading only, as the server does.
    static std::unique_ptr<sqlite_catalog_store_c> open_read_only(const std::string& path, std::string& error);
    ~sqlite_catalog_store_c() override;
    sqlite_catalog_store_c(const sqlite_catalog_store_c&) = delete;
    sqlite_catalog_store_c& operator=(const sqlite_catalog_store_c&) = delete;

    bool add_packages(const std::vector<catalog_package_c>& packages, std::string& error) override;
    bool remove_package(std::string_view file_name, std::string& error) override;
    bool load_packages(std::vector<catalog_package_c>& packages, std::string& error) override;
    bool update_signatures(const std::vector<catalog_package_c>& packages, std::string& error) override;
    bool record_release(const catalog_release_c& release, std::string& error) override;
    bool load_release(std::optional<catalog_release_c>& release, std::string& error) override;
    bool record_statement(const catalog_statement_c& statement, std::string& error) override;
    bool load_statement(std::optional<catalog_statement_c>& statement, std::string& error) override;
    // The file names of the packages whose archive's digest the catalog names as withdrawn.
    bool withdrawn_file_names(std::set<std::string>& names, std::string& error);
    // Streams the catalog into the builder, record by record, without holding it twice; only the
    // packages whose file name `keep` accepts.
    bool load_index(catalog_index_builder_c& builder, const std::function<bool(std::string_view)>& keep, std::string& error);

private:
    explicit sqlite_catalog_store_c(sqlite3* db) : db_(db) {}
    // The entries' columns for their decoration and line, NULL for files written before they were kept.
    const char* line_columns() const { return schema_ >= 1 ? "decoration, models_line" : "NULL, NULL"; }
    // The package's digest and the INF file's signature, NULL for files written before they were kept.
    const char* sha256_column() const { return schema_ >= 2 ? "sha256" : "NULL"; }
    const char* channel_column() const { return schema_ >= 5 ? "channel" : "'stable'"; }
    const char* signature_column() const { return schema_ >= 2 ? "signature" : "NULL"; }
    bool execute(const char* sql, std::string& error);
    bool insert_package(const catalog_package_c& package, std::string& error);
    bool load_index_in(catalog_record_sink_c& builder, const std::function<bool(std::string_view)>& keep, bool by_row_number,
                       bool& in_order, std::string& error);
    sqlite3* db_;
    int schema_ = 0;  // the file's version (sqlite_catalog_schema.h)
};
