// Signed catalogs: the owner's key pair, packages signed as they are imported or afterwards, and
// the items of the answer checked as the program checks them.
#include "server/catalog/catalog_loading.h"
#include "server/catalog/package_archive_writer.h"
#include "server/catalog/package_signing.h"
#include "server/catalog/sqlite_catalog_schema.h"
#include "service/package_trust.h"
#include "service/scan_response.h"

#include "tests/server/http_client.h"
#include "tests/server/test_catalogs.h"
#include "tests/unit/test_files.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <sqlite3.h>
#include <sys/stat.h>

#include <cwchar>
#include <fstream>

namespace {

namespace fs = std::filesystem;

std::string inf_text(const std::string& device_id, const std::string& version) {
    return "[Version]\nSignature=\"$Windows NT$\"\nClass=Net\nClassGuid={4d36e972-e325-11ce-bfc1-08002be10318}\n"
           "Provider=Maker\nDriverVer=03/20/2019," + version + "\n\n[Manufacturer]\nMaker=Models,NTamd64.6.1\n\n"
           "[Models.NTamd64.6.1]\n\"Network adapter\"=Install, " + device_id + "\n";
}

// A package archive for one device in the folder; its path.
std::string write_package(const scratch_folder_c& folder, const std::string& name, const std::string& device_id) {
    std::string path = (folder.path() / name).string(), error;
    EXPECT_TRUE(write_zip_archive(path, {{"drv/net.inf", inf_text(device_id, "12.18.9.7")}, {"drv/net.sys", "MZ driver"}}, error))
        << error;
    return path;
}

std::string file_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<catalog_package_c> catalog_packages(const std::string& catalog) {
    std::string error;
    std::vector<catalog_package_c> packages;
    auto store = sqlite_catalog_store_c::open_read_only(catalog, error);
    EXPECT_TRUE(store && store->load_packages(packages, error)) << error;
    return packages;
}

// The zlib stream of a Windows 7 x64 request naming one device per ID.
std::string scan_request(const std::vector<std::string>& device_ids) {
    std::string document = "<?xml version=\"1.0\"?><kelvdoc><client os=\"WIN764\" lang=\"437\" model=\"m\"/><hardwares>";
    for (const std::string& id : device_ids)
        document += "<hardware><id>" + id + "</id><hardids>" + id + "</hardids></hardware>";
    document += "</hardwares></kelvdoc>";
    return zlib_compressed(document);
}

// The catalog loaded as the server loads it (the report of the load in `report`), and a server on
// loopback serving it; null with the error.
std::unique_ptr<update_server_c> serve_catalog(const std::string& catalog, const std::string& served,
                                               catalog_load_report_c& report, std::string& error) {
    served_catalog_c loaded;
    if (!load_served_catalog(catalog, served, loaded, report, error)) return nullptr;
    server_settings_c settings;
    settings.packages_folder = served;
    settings.log = nullptr;
    return update_server_c::start(settings, loaded, error);
}

}  // namespace

TEST(package_signing, keys_are_made_once_and_a_bad_key_file_is_named) {
    scratch_folder_c folder;
    std::string secret = (folder.path() / "owner.secret").string(), public_file = (folder.path() / "owner.public").string();
    ASSERT_EQ(catalog_tool({"keygen", "--secret", secret, "--public", public_file}), 0);
    struct stat facts {};
    ASSERT_EQ(::stat(secret.c_str(), &facts), 0);
    EXPECT_EQ(facts.st_mode & 0777, 0600u);
    std::string made = file_bytes(secret);
    EXPECT_EQ(catalog_tool({"keygen", "--secret", secret, "--public", (folder.path() / "other.public").string()}), 1);
    EXPECT_EQ(file_bytes(secret), made);
    EXPECT_FALSE(fs::exists(folder.path() / "other.public"));

    signing_key_c key;
    std::string error;
    ASSERT_TRUE(key.read(secret, error)) << error;
    EXPECT_EQ(public_key_text(key.public_key()) + "\n", file_bytes(public_file));
    for (const auto& [name, text] : std::vector<std::pair<std::string, std::string>>{
             {"short.key", made.substr(0, 62) + "\n"}, {"nothex.key", std::string(64, 'g')}, {"missing.key", ""}}) {
        fs::path path = name == "missing.key" ? folder.path() / name : folder.write(name, text);
        EXPECT_FALSE(key.read(path.string(), error));
        EXPECT_NE(error.find(path.string()), std::string::npos) << error;
    }
}

TEST(package_signing, a_catalog_from_before_signatures_is_migrated_and_signed_but_a_changed_archive_is_not) {
    scratch_folder_c folder;
    std::string catalog = (folder.path() / "c.sqlite").string(), served = (folder.path() / "served").string();
    std::string secret = (folder.path() / "s").string(), public_file = (folder.path() / "p").string();
    ASSERT_EQ(catalog_tool({"keygen", "--secret", secret, "--public", public_file}), 0);
    ASSERT_EQ(catalog_tool({"import", "--catalog", catalog, "--packages", served, write_package(folder, "lan.zip", "PCI\\LAN"),
                            write_package(folder, "wlan.zip", "PCI\\WLAN"), write_package(folder, "nic.zip", "PCI\\NIC")}),
              0);
    {
        // Back to the form the catalog tool wrote before it kept digests and signatures; and a
        // database whose record of an INF is not what the archive says.
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(catalog.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, "ALTER TABLE packages DROP COLUMN sha256; ALTER TABLE infs DROP COLUMN signature; "
                                   "ALTER TABLE packages DROP COLUMN channel; "
                                   "PRAGMA user_version = 1; UPDATE infs SET driver_version = '99.0.0.0' WHERE package_id = "
                                   "(SELECT id FROM packages WHERE file_name = 'nic.zip');",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK)
            << sqlite3_errmsg(db);
        sqlite3_close(db);
    }
    for (const auto& package : catalog_packages(catalog)) EXPECT_FALSE(package_signed(package)) << package.file_name;

    // One archive in the packages folder is no longer the one imported.
    std::ofstream(fs::path(served) / "wlan.zip", std::ios::app) << "more bytes";
    EXPECT_EQ(catalog_tool({"sign", "--catalog", catalog, "--packages", served, "--signing-key", secret}), 1);
    std::vector<catalog_package_c> packages = catalog_packages(catalog);
    ASSERT_EQ(packages.size(), 3u);
    EXPECT_TRUE(package_signed(packages[0]));
    EXPECT_EQ(packages[0].sha256, digest_hex(sha256_of(file_bytes(fs::path(served) / "lan.zip"))));
    EXPECT_FALSE(package_signed(packages[1]));
    EXPECT_FALSE(package_signed(packages[2])) << packages[2].file_name;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(catalog.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(catalog_schema_version(db), current_catalog_schema);
    sqlite3_close(db);
}

TEST(package_signing, the_program_believes_a_signed_item_as_served_and_refuses_it_changed) {
    scratch_folder_c folder;
    std::string catalog = (folder.path() / "c.sqlite").string(), served = (folder.path() / "served").string();
    std::string secret = (folder.path() / "s").string(), public_file = (folder.path() / "p").string();
    ASSERT_EQ(catalog_tool({"keygen", "--secret", secret, "--public", public_file}), 0);
    ASSERT_EQ(catalog_tool({"import", "--catalog", catalog, "--packages", served, "--signing-key", secret,
                            write_package(folder, "lan.zip", "PCI\\LAN")}),
              0);
    ASSERT_EQ(catalog_tool({"import", "--catalog", catalog, "--packages", served, write_package(folder, "wlan.zip", "PCI\\WLAN")}), 0);

    catalog_load_report_c report;
    std::string error;
    auto server = serve_catalog(catalog, served, report, error);
    ASSERT_TRUE(server) << error;
    std::string request = scan_request({"PCI\\LAN", "PCI\\WLAN"});
    http_reply_c answer = fetch(server->base_url(), &request);
    ASSERT_EQ(answer.status, 200);

    pugi::xml_document document;
    ASSERT_TRUE(document.load_buffer(answer.body.data(), answer.body.size()));
    pugi::xpath_node_set items = document.select_nodes("/kelvdoc/hardwares/hardware/item");
    ASSERT_EQ(items.size(), 2u) << answer.body;
    pugi::xml_node signed_item = items[0].node(), unsigned_item = items[1].node();
    EXPECT_FALSE(unsigned_item.child("sha256") || unsigned_item.child("sig"));
    EXPECT_EQ(std::string(signed_item.last_child().name()), "sig");

    std::optional<public_key_c> key = public_key_from_text(file_bytes(public_file));
    ASSERT_TRUE(key);
    const package_trust_c trust{{*key}, false};
    auto texts = [&](const char* version) {
        const pugi::xml_node& item = signed_item;
        return offered_texts_c{item.child_value("link"), item.child_value("size"), item.child_value("infpath"), version,
                               item.child_value("date"), item.child_value("sha256"), item.child_value("sig")};
    };
    item_check_c check = check_offered_item(texts(signed_item.child_value("ver")), trust);
    EXPECT_EQ(check.verdict, item_verdict_c::signed_by_owner);
    // What the link downloads is what the digest names.
    http_reply_c archive = fetch(signed_item.child_value("link"));
    ASSERT_EQ(archive.status, 200);
    EXPECT_EQ(check.sha256, sha256_of(archive.body));
    EXPECT_EQ(check_offered_item(texts("12.18.9.8"), trust).verdict, item_verdict_c::refused);
}

TEST(package_signing, a_withdrawn_package_is_no_longer_served_and_the_signed_statement_says_why) {
    scratch_folder_c folder;
    std::string catalog = (folder.path() / "c.sqlite").string(), served = (folder.path() / "served").string();
    std::string secret = (folder.path() / "s").string(), public_file = (folder.path() / "p").string();
    ASSERT_EQ(catalog_tool({"keygen", "--secret", secret, "--public", public_file}), 0);
    ASSERT_EQ(catalog_tool({"import", "--catalog", catalog, "--packages", served, "--signing-key", secret, "--valid-days", "2",
                            write_package(folder, "lan.zip", "PCI\\LAN"), write_package(folder, "wlan.zip", "PCI\\WLAN")}),
              0);
    const std::string lan_digest = digest_hex(sha256_of(file_bytes(fs::path(served) / "lan.zip")));
    EXPECT_EQ(catalog_tool({"withdraw", "--catalog", catalog, "--signing-key", secret, "--reason", "x", "not-a-digest"}), 2);
    EXPECT_EQ(catalog_tool({"withdraw", "--catalog", catalog, "--signing-key", secret, lan_digest}), 2);  // no reason
    ASSERT_EQ(catalog_tool({"withdraw", "--catalog", catalog, "--signing-key", secret, "--reason",
                            "Stops the adapter <after> sleep \xE2\x80\x94 use 12.18.9.8", lan_digest}),
              0);

    catalog_load_report_c report;
    std::string error;
    auto server = serve_catalog(catalog, served, report, error);
    ASSERT_TRUE(server) << error;
    EXPECT_EQ(report.withdrawn, 1u);
    EXPECT_EQ(report.left_out, 0u);
    EXPECT_GE(report.statement_expires, std::int64_t(std::time(nullptr)) + 2 * 86400 - 60);
    std::string request = scan_request({"PCI\\LAN", "PCI\\WLAN"});
    http_reply_c answer = fetch(server->base_url(), &request);
    ASSERT_EQ(answer.status, 200);
    // Operators see when it must be signed again.
    http_reply_c health = fetch(server->base_url() + "health");
    EXPECT_NE(health.body.find("\"catalog_statement\":{\"serial\":" + std::to_string(report.statement_serial)), std::string::npos)
        << health.body;
    const std::string metrics = fetch(server->base_url() + "metrics").body;
    // The withdrawal signed it again, for the default 30 days (2,592,000 seconds).
    EXPECT_NE(metrics.find("vantorel_catalog_statement_expires_in_seconds 259"), std::string::npos)
        << metrics.substr(metrics.find("vantorel_catalog_age"));

    // The program believes the statement, as served, and reads only the package still offered.
    std::optional<public_key_c> key = public_key_from_text(file_bytes(public_file));
    ASSERT_TRUE(key);
    const package_trust_c trust{{*key}, false};
    device_store_c store;
    for (const wchar_t* id : {L"PCI\\LAN", L"PCI\\WLAN"}) std::wcscpy(store.devices.emplace_back().instance_path, id);
    answer_trust_c checked(trust, report.statement_serial);
    ASSERT_TRUE(parse_scan_response(answer.body, store, checked)) << answer.body;
    ASSERT_TRUE(checked.statement.accepted());
    EXPECT_EQ(checked.statement.claim.serial, report.statement_serial);
    const withdrawn_package_c* withdrawn = checked.statement.withdrawn(*digest_from_hex(lan_digest));
    ASSERT_TRUE(withdrawn);
    EXPECT_EQ(withdrawn->reason, "Stops the adapter <after> sleep \xE2\x80\x94 use 12.18.9.8");
    EXPECT_EQ(store.devices[0].item_count, 0u);
    EXPECT_EQ(store.devices[1].item_count, 1u);
}
