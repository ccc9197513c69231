// Package import and the SQLite catalog, on real zip archives.
#include "server/catalog/catalog_lock.h"
#include "server/catalog/demo_catalog.h"
#include "server/catalog/driver_package_reader.h"
#include "server/catalog/package_archive_writer.h"
#include "server/catalog/sqlite_catalog_store.h"

#include "tests/server/test_catalogs.h"
#include "tests/unit/test_files.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <set>
#include <thread>

namespace {

const std::string inf_text = R"(; test package
[Version]
Signature="$Windows NT$"
Class=Net
ClassGuid={4d36e972-e325-11ce-bfc1-08002be10318}
Provider=%Maker%
DriverVer=03/20/2019,12.18.9.7
CatalogFile=net.cat

[Manufacturer]
%Maker%=Models,NTx86,NTamd64.6.1

[Models.NTx86]
%Lan.Desc%=Lan_Install, PCI\VEN_8086&DEV_15BC&SUBSYS_86721043, PCI\VEN_8086&DEV_15BC

[Models.NTamd64.6.1]
%Lan.Desc%=Lan_Install, PCI\VEN_8086&DEV_15BC&SUBSYS_86721043

[Lan_Install.NTamd64]
FeatureScore=0xE0

[Strings]
Maker="Intel"
Lan.Desc="Intel(R) Ethernet Connection I219-V"
)";

std::string whql_catalog() { return "0\x82 signed by Microsoft Windows Hardware Compatibility Publisher"; }

std::string write_package(const scratch_folder_c& folder, const std::string& name, const std::vector<archive_member_c>& members) {
    std::string path = (folder.path() / name).string(), error;
    EXPECT_TRUE(write_zip_archive(path, members, error)) << error;
    return path;
}

}  // namespace

TEST(driver_package, reads_every_model_line_of_every_inf_with_its_signature_class) {
    scratch_folder_c folder;
    std::string path = write_package(folder, "intel-lan-12.18.9.7.zip",
                                     {{"lan/Drivers/net.inf", inf_text}, {"lan/Drivers/NET.CAT", whql_catalog()},
                                      {"lan/Drivers/e1d.sys", "MZ"}, {"lan/readme.txt", "hello"}});
    catalog_package_c package;
    std::string error;
    ASSERT_TRUE(read_driver_package(path, {}, package, error)) << error;
    EXPECT_EQ(package.file_name, "intel-lan-12.18.9.7.zip");
    EXPECT_EQ(package.size, std::filesystem::file_size(path));
    EXPECT_EQ(package.md5.size(), 32u);
    EXPECT_EQ(package.sign, signature_whql);  // the catalog file is named without regard to case
    EXPECT_EQ(package.title, "Intel(R) Ethernet Connection I219-V driver 12.18.9.7");
    ASSERT_EQ(package.infs.size(), 1u);
    EXPECT_EQ(package.infs[0].inf_path, "lan/Drivers/net.inf");
    EXPECT_EQ(package.infs[0].driver_date, "2019-03-20");
    EXPECT_EQ(package.infs[0].provider, "Intel");
    ASSERT_EQ(package.entries.size(), 3u);
    EXPECT_EQ(package.entries[1].device_id, "PCI\\VEN_8086&DEV_15BC");
    EXPECT_EQ(package.entries[1].id_position, 1);
    EXPECT_EQ(package.entries[2].architecture, "amd64");
    EXPECT_EQ(package.entries[2].feature_score, 0xE0);

    // Other signers and missing catalog files; an explicit class wins.
    path = write_package(folder, "other.zip", {{"d/net.inf", inf_text}, {"d/net.cat", "0\x82 Contoso"}});
    ASSERT_TRUE(read_driver_package(path, {}, package, error)) << error;
    EXPECT_EQ(package.sign, signature_other);
    path = write_package(folder, "unsigned.zip", {{"d/net.inf", inf_text}});
    ASSERT_TRUE(read_driver_package(path, {}, package, error)) << error;
    EXPECT_EQ(package.sign, signature_none);
    ASSERT_TRUE(read_driver_package(path, {"Title", "http://vendor.example/", 0, {}}, package, error));
    EXPECT_EQ(package.sign, signature_whql);
    EXPECT_EQ(package.title, "Title");
}

TEST(driver_package, broken_packages_are_refused_naming_the_file_and_line) {
    scratch_folder_c folder;
    catalog_package_c package;
    std::string error;
    std::string broken_inf = inf_text;
    broken_inf.replace(broken_inf.find("DriverVer=03/20/2019"), 20, "DriverVer=13/45/2019");
    ASSERT_FALSE(read_driver_package(write_package(folder, "bad-date.zip", {{"x/Net.inf", broken_inf}}), {}, package, error));
    EXPECT_NE(error.find("bad-date.zip: x/Net.inf line 7"), std::string::npos) << error;

    ASSERT_FALSE(read_driver_package(write_package(folder, "no-inf.zip", {{"a.txt", "x"}}), {}, package, error));
    EXPECT_NE(error.find("no INF"), std::string::npos) << error;
    ASSERT_FALSE(read_driver_package(folder.write("text.zip", "PK but not really").string(), {}, package, error));
    EXPECT_NE(error.find("not a zip archive"), std::string::npos) << error;
    ASSERT_FALSE(read_driver_package((folder.path() / "missing.zip").string(), {}, package, error));
    ASSERT_FALSE(read_driver_package(write_package(folder, "bad name.zip", {{"d/net.inf", inf_text}}), {}, package, error));
    EXPECT_NE(error.find("file name"), std::string::npos) << error;

    // A stored member with one flipped byte fails its checksum.
    std::string path = write_package(folder, "damaged.zip", {{"d/net.inf", inf_text}});
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    bytes[60] = char(bytes[60] ^ 0x55);
    folder.write("damaged.zip", bytes);
    ASSERT_FALSE(read_driver_package(path, {}, package, error));
    EXPECT_NE(error.find("damaged.zip: d/net.inf"), std::string::npos) << error;
}

TEST(driver_package, a_package_past_one_of_its_bounds_is_refused_naming_the_bound) {
    scratch_folder_c folder;
    // Two INF files of 2 model lines and 3 records each.
    std::string path = write_package(folder, "big.zip", {{"a/net.inf", inf_text}, {"b/net.inf", inf_text}});
    catalog_package_c package;
    std::string error;
    ASSERT_TRUE(read_driver_package(path, {}, package, error)) << error;
    EXPECT_EQ(package.entries.size(), 6u);
    package_options_c options;
    options.bounds.records = 5;
    EXPECT_FALSE(read_driver_package(path, options, package, error));
    EXPECT_NE(error.find("big.zip: more than 5 catalog records (--max-records), at b/net.inf line"), std::string::npos) << error;
    options = {};
    options.bounds.model_lines = 3;
    EXPECT_FALSE(read_driver_package(path, options, package, error));
    EXPECT_NE(error.find("big.zip: more than 3 model lines (--max-model-lines), at b/net.inf"), std::string::npos) << error;
    options = {};
    options.bounds.inf_bytes = 2 * inf_text.size() - 1;
    EXPECT_FALSE(read_driver_package(path, options, package, error));
    EXPECT_NE(error.find("more than the " + std::to_string(2 * inf_text.size() - 1) + " allowed (--max-inf-bytes)"),
              std::string::npos) << error;
    options.bounds.inf_bytes += 1;
    EXPECT_TRUE(read_driver_package(path, options, package, error)) << error;
}

TEST(sqlite_catalog, keeps_packages_whole_and_refuses_a_different_archive_under_a_taken_name) {
    scratch_folder_c folder;
    std::string error, db = (folder.path() / "catalog.sqlite").string();
    auto store = sqlite_catalog_store_c::open(db, true, error);
    ASSERT_TRUE(store) << error;
    catalog_package_c first;
    ASSERT_TRUE(read_driver_package(write_package(folder, "lan.zip", {{"d/net.inf", inf_text}}), {}, first, error)) << error;
    first.official_link = "http://vendor.example/lan";
    ASSERT_TRUE(store->add_packages({first}, error)) << error;
    ASSERT_TRUE(store->add_packages({first}, error)) << error;  // the same archive again: replaced, not doubled

    catalog_package_c other = first;
    other.md5 = std::string(32, 'f');
    catalog_package_c fresh = first;
    fresh.file_name = "fresh.zip";
    EXPECT_FALSE(store->add_packages({fresh, other}, error));
    EXPECT_NE(error.find("lan.zip"), std::string::npos) << error;

    store.reset();
    store = sqlite_catalog_store_c::open(db, false, error);
    std::vector<catalog_package_c> loaded;
    ASSERT_TRUE(store->load_packages(loaded, error)) << error;
    ASSERT_EQ(loaded.size(), 1u);  // "fresh.zip" went with the refused transaction
    const catalog_package_c& back = loaded[0];
    EXPECT_EQ(back.md5, first.md5);
    EXPECT_EQ(back.official_link, first.official_link);
    EXPECT_EQ(back.infs[0].driver_version, "12.18.9.7");
    ASSERT_EQ(back.entries.size(), first.entries.size());
    for (std::size_t i = 0; i < back.entries.size(); ++i) {
        EXPECT_EQ(back.entries[i].device_id, first.entries[i].device_id);
        EXPECT_EQ(back.entries[i].os_minor, first.entries[i].os_minor);
        EXPECT_EQ(back.entries[i].feature_score, first.entries[i].feature_score);
        EXPECT_EQ(back.entries[i].description, first.entries[i].description);
    }
    EXPECT_TRUE(store->remove_package("lan.zip", error));
    EXPECT_FALSE(store->remove_package("lan.zip", error));
    EXPECT_FALSE(sqlite_catalog_store_c::open((folder.path() / "absent.sqlite").string(), false, error));
}

TEST(sqlite_catalog, texts_are_utf8_from_8bit_inf_files_zip_names_and_catalogs_stored_before) {
    scratch_folder_c folder;
    std::string error, inf = inf_text;
    inf.replace(inf.find("Intel(R)"), 8, "Intel\xAE");  // an 8-bit INF file in Windows-1252
    catalog_package_c package;
    ASSERT_TRUE(read_driver_package(write_package(folder, "lan.zip", {{"d/n\x82t.inf", inf}, {"\xC3\xA9/net.inf", inf_text}}),
                                    {}, package, error))
        << error;
    EXPECT_EQ(package.entries[0].description, "Intel\xC2\xAE Ethernet Connection I219-V");
    // Member names: code page 437 unless they are UTF-8.
    ASSERT_EQ(package.infs.size(), 2u);
    EXPECT_EQ(package.infs[0].inf_path, "d/n\xC3\xA9t.inf");
    EXPECT_EQ(package.infs[1].inf_path, "\xC3\xA9/net.inf");

    // A catalog imported when 8-bit texts were kept as bytes reads them as Windows-1252.
    std::string db = (folder.path() / "catalog.sqlite").string();
    auto store = sqlite_catalog_store_c::open(db, true, error);
    package.entries[0].description = "Intel\xAE";
    package.entries[1].description = "Intel\xC2\xAE";
    ASSERT_TRUE(store && store->add_packages({package}, error)) << error;
    std::vector<catalog_package_c> loaded;
    ASSERT_TRUE(store->load_packages(loaded, error)) << error;
    EXPECT_EQ(loaded.at(0).entries.at(0).description, "Intel\xC2\xAE");
    EXPECT_EQ(loaded.at(0).entries.at(1).description, "Intel\xC2\xAE");
}

TEST(sqlite_catalog, a_catalog_written_before_manufacturer_lines_were_kept_loads_and_takes_new_packages) {
    scratch_folder_c folder;
    std::string error, db = (folder.path() / "catalog.sqlite").string();
    {
        // The tables and rows as the catalog tool wrote them before.
        sqlite3* old = nullptr;
        ASSERT_EQ(sqlite3_open(db.c_str(), &old), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(old, R"sql(
            CREATE TABLE packages (id INTEGER PRIMARY KEY, file_name TEXT NOT NULL UNIQUE, title TEXT NOT NULL,
                official_link TEXT NOT NULL, md5 TEXT NOT NULL, size INTEGER NOT NULL, sign INTEGER NOT NULL);
            CREATE TABLE infs (package_id INTEGER NOT NULL REFERENCES packages(id) ON DELETE CASCADE, position INTEGER NOT NULL,
                inf_path TEXT NOT NULL, provider TEXT NOT NULL, class_guid TEXT NOT NULL, driver_date TEXT NOT NULL,
                driver_version TEXT NOT NULL, PRIMARY KEY (package_id, position));
            CREATE TABLE entries (package_id INTEGER NOT NULL REFERENCES packages(id) ON DELETE CASCADE,
                position INTEGER NOT NULL, inf_position INTEGER NOT NULL, device_id TEXT NOT NULL, id_position INTEGER NOT NULL,
                architecture TEXT NOT NULL, os_major INTEGER NOT NULL, os_minor INTEGER NOT NULL, description TEXT NOT NULL,
                manufacturer TEXT NOT NULL, feature_score INTEGER NOT NULL, PRIMARY KEY (package_id, position));
            INSERT INTO packages VALUES (1, 'old.zip', 'Old', '', '0123456789abcdef0123456789abcdef', 10, 0);
            INSERT INTO infs VALUES (1, 0, 'x.inf', 'Maker', '{4d36e972-e325-11ce-bfc1-08002be10318}', '2015-01-01', '1.0');
            INSERT INTO entries VALUES (1, 0, 0, 'PCI\OLD', 0, 'amd64', 6, 1, 'Old 7', 'Maker', -1);
            INSERT INTO entries VALUES (1, 1, 0, 'PCI\OLD', 0, 'amd64', 6, 2, 'Old 8', 'Maker', -1);
        )sql", nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(old);
        sqlite3_close(old);
    }
    auto offered = [&](const char* os, const char* device_id) {
        auto store = sqlite_catalog_store_c::open_read_only(db, error);
        catalog_index_builder_c builder;
        EXPECT_TRUE(store && store->load_index(builder, [](std::string_view) { return true; }, error)) << error;
        catalog_index_c index = builder.finish();
        requested_device_c device;
        device.device_ids = {device_id};
        device.hardware_id_count = 1;
        auto offers = index.offers_for(device, client_target_for(os), 5);
        return offers.empty() ? std::string() : std::string(index.entry(offers[0]).description);
    };
    // Read as it is, by the server: architecture and version decide, as they did.
    EXPECT_EQ(offered("WIN764", "PCI\\OLD"), "Old 7");
    EXPECT_EQ(offered("WIN1064", "PCI\\OLD"), "Old 8");
    std::vector<catalog_package_c> loaded;
    auto store = sqlite_catalog_store_c::open_read_only(db, error);
    ASSERT_TRUE(store && store->load_packages(loaded, error)) << error;
    ASSERT_EQ(loaded.at(0).entries.size(), 2u);
    EXPECT_EQ(loaded[0].entries[0].models_line, -1);

    // Opened for a change, it gains the lines' tables and takes a package that has them.
    catalog_package_c lan;
    ASSERT_TRUE(read_driver_package(write_package(folder, "lan.zip", {{"d/net.inf", inf_text}}), {}, lan, error)) << error;
    store = sqlite_catalog_store_c::open(db, false, error);
    ASSERT_TRUE(store && store->add_packages({lan}, error)) << error;
    ASSERT_TRUE(store->load_packages(loaded, error)) << error;
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0].entries[1].models_line, -1);
    ASSERT_EQ(loaded[1].models_lines.size(), 1u);
    EXPECT_EQ(loaded[1].models_lines[0].decorations, "NTx86,NTamd64.6.1");
    EXPECT_EQ(loaded[1].entries.back().decoration, "NTamd64.6.1");
    EXPECT_EQ(loaded[1].entries.back().models_line, 0);
    store.reset();
    EXPECT_EQ(offered("WIN764", "PCI\\OLD"), "Old 7");
    EXPECT_EQ(offered("WIN1064", "PCI\\VEN_8086&DEV_15BC&SUBSYS_86721043"), "Intel(R) Ethernet Connection I219-V");
    EXPECT_EQ(offered("VISTA64", "PCI\\VEN_8086&DEV_15BC&SUBSYS_86721043"), "");
}

TEST(demo_catalog, every_package_link_ends_in_a_name_unique_in_the_catalog) {
    std::set<std::string> names;
    for (const auto& package : demo_packages()) {
        EXPECT_TRUE(valid_package_file_name(package.file_name)) << package.file_name;
        EXPECT_TRUE(names.insert(package.file_name).second) << package.file_name;
    }
}

namespace {

std::string file_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(catalog_tool, a_refused_import_changes_neither_the_catalog_nor_the_served_files) {
    scratch_folder_c folder;
    std::string catalog = (folder.path() / "c.sqlite").string(), served = (folder.path() / "served").string();
    std::string first = write_package(folder, "lan.zip", {{"d/net.inf", inf_text}});
    std::filesystem::create_directories(folder.path() / "other");
    std::string changed = inf_text;
    changed.replace(changed.find("12.18.9.7"), 9, "12.18.9.8");
    std::string second = write_package(folder, "other/lan.zip", {{"d/net.inf", changed}});

    // The same archive named twice is one import.
    EXPECT_EQ(catalog_tool({"import", "--catalog", catalog, "--packages", served, first, first}), 0);
    EXPECT_EQ(file_bytes(std::filesystem::path(served) / "lan.zip"), file_bytes(first));
    // A different archive under the same name, a bad signature class, a broken archive: refused.
    EXPECT_NE(catalog_tool({"import", "--catalog", catalog, "--packages", served, second}), 0);
    EXPECT_NE(catalog_tool({"import", "--catalog", catalog, "--packages", served, "--sign", "2", first}), 0);
    EXPECT_NE(catalog_tool({"import", "--catalog", catalog, "--packages", served, first, folder.write("bad.zip", "x").string()}), 0);
    EXPECT_EQ(file_bytes(std::filesystem::path(served) / "lan.zip"), file_bytes(first));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(served) / "bad.zip"));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(served)) ++files;
    EXPECT_EQ(files, 1u);  // no staged copies left behind

    std::string error;
    auto store = sqlite_catalog_store_c::open(catalog, false, error);
    std::vector<catalog_package_c> loaded;
    ASSERT_TRUE(store && store->load_packages(loaded, error)) << error;
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0].infs[0].driver_version, "12.18.9.7");
}

TEST(catalog_tool, changes_replace_the_catalog_file_whole_and_misuse_exits_2) {
    scratch_folder_c folder;
    std::string catalog = (folder.path() / "c.sqlite").string(), served = (folder.path() / "served").string();
    std::string lan = write_package(folder, "lan.zip", {{"d/net.inf", inf_text}});
    ASSERT_EQ(catalog_tool({"import", "--catalog", catalog, "--packages", served, lan}), 0);
    std::string before = file_bytes(catalog);
    // A reader that opened the catalog before a change keeps reading the file it opened.
    std::ifstream reader(catalog, std::ios::binary);
    ASSERT_EQ(catalog_tool({"remove", "--catalog", catalog, "--packages", served, "lan.zip"}), 0);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(reader), {}), before);
    EXPECT_NE(file_bytes(catalog), before);
    // The archive stays for the servers that still serve the old catalog, until pruned.
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(served) / "lan.zip"));
    folder.write("served/other.zip.part", "an import under way");
    ASSERT_EQ(catalog_tool({"prune", "--catalog", catalog, "--packages", served}), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(served) / "lan.zip"));
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(served) / "other.zip.part"));
    EXPECT_NE(catalog_tool({"remove", "--catalog", catalog, "lan.zip"}), 0);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) ++files;
    // The archive, the catalog, its lock file, the packages folder: no temporary catalog left.
    EXPECT_EQ(files, 4u);
    for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
             {}, {"frobnicate"}, {"list"}, {"list", "--catalog", catalog, "--count", "3"}, {"remove", "--catalog", catalog},
             {"import", "--catalog", catalog, "--packages", served, "--sign", "2", lan},
             {"synthetic", "--catalog", catalog, "--count", "abc"}})
        EXPECT_EQ(catalog_tool(wrong), 2) << (wrong.empty() ? "" : wrong[0]);
}

namespace {

std::set<std::string> package_names(const std::string& catalog) {
    std::string error;
    std::vector<catalog_package_c> loaded;
    auto store = sqlite_catalog_store_c::open_read_only(catalog, error);
    std::set<std::string> names;
    if (store && store->load_packages(loaded, error))
        for (const auto& package : loaded) names.insert(package.file_name);
    return names;
}

}  // namespace

TEST(catalog_tool, one_change_at_a_time_so_concurrent_imports_both_land) {
    scratch_folder_c folder;
    std::string catalog = (folder.path() / "c.sqlite").string(), served = (folder.path() / "served").string();
    std::string lan = write_package(folder, "lan.zip", {{"d/net.inf", inf_text}});
    std::filesystem::create_directories(folder.path() / "b");
    std::string other = write_package(folder, "b/wlan.zip", {{"d/net.inf", inf_text}});

    // While a change holds the catalog, --no-wait refuses at once and changes nothing.
    std::string error;
    auto held = std::make_unique<catalog_lock_c>();
    ASSERT_TRUE(held->acquire(catalog, "the test", false, error)) << error;
    EXPECT_EQ(catalog_tool({"import", "--no-wait", "--catalog", catalog, "--packages", served, lan}), 1);
    EXPECT_FALSE(std::filesystem::exists(catalog));
    // Without it the change waits for the lock, and lands once it is free.
    std::atomic<int> waited{-1};
    std::thread waiting([&] { waited = catalog_tool({"import", "--catalog", catalog, "--packages", served, lan}); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // time in which it must not run
    EXPECT_EQ(waited.load(), -1);
    EXPECT_FALSE(std::filesystem::exists(catalog));
    held.reset();
    waiting.join();
    EXPECT_EQ(waited.load(), 0);

    // Two changes started together both land: neither replaces the catalog the other changed.
    std::atomic<int> removed{-1}, imported{-1};
    std::thread removing([&] { removed = catalog_tool({"remove", "--catalog", catalog, "lan.zip"}); });
    std::thread importing([&] { imported = catalog_tool({"import", "--catalog", catalog, "--packages", served, other}); });
    removing.join();
    importing.join();
    EXPECT_EQ(removed.load(), 0);
    EXPECT_EQ(imported.load(), 0);
    EXPECT_EQ(package_names(catalog), std::set<std::string>{"wlan.zip"});
}
