// The catalog as the server loads it: read-only, every record whatever the rows' order, and
// only packages whose archive is there.
#include "server/catalog/catalog_loading.h"
#include "server/catalog/demo_catalog.h"
#include "server/catalog/sqlite_catalog_store.h"

#include "tests/unit/test_files.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

struct demo_c {
    scratch_folder_c folder;
    std::string packages = (folder.path() / "packages").string(), catalog = (folder.path() / "catalog.sqlite").string();
    demo_c() {
        std::string error;
        EXPECT_TRUE(build_demo_catalog(packages, catalog, error)) << error;
    }
};

void execute(const std::string& catalog, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(catalog.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

}  // namespace

TEST(catalog_loading, every_record_whatever_the_order_of_the_rows) {
    demo_c demo;
    served_catalog_c in_order, shuffled;
    catalog_load_report_c report;
    std::string error;
    ASSERT_TRUE(load_served_catalog(demo.catalog, demo.packages, in_order, report, error)) << error;
    EXPECT_EQ(report.left_out, 0u);
    EXPECT_EQ(in_order.index->package_count(), demo_packages().size());
    // The first package's rows moved behind all others, as another writer might leave them.
    execute(demo.catalog, "UPDATE entries SET rowid = rowid + 100000 WHERE package_id = (SELECT min(id) FROM packages);"
                          "UPDATE infs SET rowid = rowid + 100000 WHERE package_id = (SELECT min(id) FROM packages);"
                          "UPDATE models_lines SET rowid = rowid + 100000 WHERE package_id = (SELECT min(id) FROM packages);");
    ASSERT_TRUE(load_served_catalog(demo.catalog, demo.packages, shuffled, report, error)) << error;
    EXPECT_EQ(shuffled.index->entry_count(), in_order.index->entry_count());
    EXPECT_GT(shuffled.written, 0);
}

TEST(catalog_loading, packages_without_their_archive_are_left_out) {
    demo_c demo;
    const std::string gone = demo_packages().front().file_name;
    std::filesystem::remove(std::filesystem::path(demo.packages) / gone);
    served_catalog_c catalog;
    catalog_load_report_c report;
    std::string error;
    ASSERT_TRUE(load_served_catalog(demo.catalog, demo.packages, catalog, report, error)) << error;
    EXPECT_EQ(report.left_out, 1u);
    std::uint32_t number = 0;
    EXPECT_FALSE(catalog.index->find_package(gone, number));
    EXPECT_TRUE(catalog.index->find_package(demo_packages().back().file_name, number));
    // Without a folder to check, every package is kept.
    ASSERT_TRUE(load_served_catalog(demo.catalog, "", catalog, report, error));
    EXPECT_TRUE(catalog.index->find_package(gone, number));
}

TEST(catalog_loading, the_server_opens_its_catalog_read_only_and_says_what_fails) {
    demo_c demo;
    std::string error;
    auto store = sqlite_catalog_store_c::open_read_only(demo.catalog, error);
    ASSERT_TRUE(store) << error;
    EXPECT_FALSE(store->remove_package(demo_packages().front().file_name, error));
    EXPECT_NE(error.find("readonly"), std::string::npos) << error;
    served_catalog_c catalog;
    catalog_load_report_c report;
    EXPECT_FALSE(load_served_catalog((demo.folder.path() / "missing.sqlite").string(), "", catalog, report, error));
    EXPECT_NE(error.find("missing.sqlite: No such file or directory"), std::string::npos) << error;
    auto junk = demo.folder.write("junk.sqlite", "not a database, but long enough to be read as one................");
    EXPECT_FALSE(load_served_catalog(junk.string(), "", catalog, report, error));
    EXPECT_NE(error.find("junk.sqlite"), std::string::npos) << error;
}

TEST(catalog_loading, a_catalog_that_would_leave_out_too_much_is_refused_naming_what_is_missing) {
    demo_c demo;
    served_catalog_c catalog;
    catalog_load_report_c report;
    std::string error;
    // The packages folder empty for a moment (a replica being copied, a mount not up yet).
    std::filesystem::remove_all(demo.packages);
    std::filesystem::create_directories(demo.packages);
    EXPECT_FALSE(load_served_catalog(demo.catalog, demo.packages, catalog, report, error));
    EXPECT_FALSE(catalog.index);
    EXPECT_NE(error.find(std::to_string(demo_packages().size()) + " of " + std::to_string(demo_packages().size()) +
                         " packages have no archive"), std::string::npos) << error;
    // The first ten by name, and how many more.
    std::string first_name = demo_packages().front().file_name;
    for (const auto& package : demo_packages()) first_name = std::min(first_name, package.file_name);
    EXPECT_NE(error.find(": " + first_name + ", "), std::string::npos) << error;
    EXPECT_NE(error.find(" and " + std::to_string(demo_packages().size() - 10) + " more"), std::string::npos) << error;
    EXPECT_NE(error.find("10 % allowed"), std::string::npos) << error;
    // A share allowed by the operator still leaves nothing to serve: refused unless allowed too.
    catalog_load_limits_c limits;
    limits.max_missing_percent = 100;
    EXPECT_FALSE(load_served_catalog(demo.catalog, demo.packages, catalog, report, error, limits));
    EXPECT_NE(error.find("no package to serve"), std::string::npos) << error;
    limits.allow_empty = true;
    ASSERT_TRUE(load_served_catalog(demo.catalog, demo.packages, catalog, report, error, limits)) << error;
    EXPECT_EQ(catalog.index->package_count(), 0u);
    EXPECT_EQ(report.left_out, demo_packages().size());
    EXPECT_EQ(report.missing_archives.size(), 10u);  // the first few, for the log
}

TEST(catalog_loading, the_missing_share_is_counted_exactly_at_its_bound) {
    demo_c demo;
    const std::size_t total = demo_packages().size();
    catalog_load_limits_c limits;
    std::filesystem::remove(std::filesystem::path(demo.packages) / demo_packages()[0].file_name);
    std::filesystem::remove(std::filesystem::path(demo.packages) / demo_packages()[1].file_name);
    served_catalog_c catalog;
    catalog_load_report_c report;
    std::string error;
    // Two missing: loaded where that is within the share, refused where it is not.
    limits.max_missing_percent = unsigned((200 + total - 1) / total);  // the smallest share that allows two
    ASSERT_TRUE(load_served_catalog(demo.catalog, demo.packages, catalog, report, error, limits)) << error;
    EXPECT_EQ(report.left_out, 2u);
    EXPECT_EQ(report.packages, total);
    limits.max_missing_percent -= 1;
    EXPECT_FALSE(load_served_catalog(demo.catalog, demo.packages, catalog, report, error, limits));
}
