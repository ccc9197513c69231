// Where the catalog is kept. The server loads it whole at start; the catalog tool adds and
// removes packages. SQLite is the embedded default; a shared SQL server can take its place
// behind this interface.
#pragma once

#include "server/catalog/catalog.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class catalog_store_c {
public:
    virtual ~catalog_store_c() = default;
    // Adds the packages in one transaction: all or none. A package whose file name is already in
    // the catalog replaces it when the archives are the same (equal MD5) and is refused otherwise.
    virtual bool add_packages(const std::vector<catalog_package_c>& packages, std::string& error) = 0;
    // False with an error when no package has that file name.
    virtual bool remove_package(std::string_view file_name, std::string& error) = 0;
    // Every package with its INF files and entries, in the order they were added.
    virtual bool load_packages(std::vector<catalog_package_c>& packages, std::string& error) = 0;
    // Writes each package's SHA-256 and its INF files' signatures (empty ones: unsigned), the
    // packages found by file name, in one transaction. False with an error when one is not there.
    virtual bool update_signatures(const std::vector<catalog_package_c>& packages, std::string& error) = 0;
    // Records a release of the program as the newest one.
    virtual bool record_release(const catalog_release_c& release, std::string& error) = 0;
    // The newest release; none when no release was recorded (or the file predates releases).
    virtual bool load_release(std::optional<catalog_release_c>& release, std::string& error) = 0;
    // Replaces the catalog's signed statement and its list of withdrawn packages, in one transaction.
    virtual bool record_statement(const catalog_statement_c& statement, std::string& error) = 0;
    // The signed statement; none when the catalog was never signed as a whole.
    virtual bool load_statement(std::optional<catalog_statement_c>& statement, std::string& error) = 0;
};
