// Releases of the program: recorded by the catalog tool (with the installer put beside the
// archives), served at GET /release, and read by the updater's query with its fail-over.
#include "server/catalog/catalog_loading.h"
#include "server/catalog/package_archive_writer.h"
#include "server/catalog/sqlite_catalog_schema.h"
#include "service/release_query.h"

#include "tests/server/http_client.h"
#include "tests/server/test_catalogs.h"
#include "tests/unit/test_files.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>

namespace {

namespace fs = std::filesystem;

std::string file_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A catalog with one package in a folder of its own, and the owner's key pair.
struct release_catalog_c {
    scratch_folder_c folder;
    std::string catalog = (folder.path() / "c.sqlite").string(), served = (folder.path() / "served").string();
    std::string secret = (folder.path() / "owner.secret").string(), public_file = (folder.path() / "owner.public").string();
    public_key_c key{};

    release_catalog_c() {
        EXPECT_EQ(catalog_tool({"keygen", "--secret", secret, "--public", public_file}), 0);
        key = public_key_from_text(file_bytes(public_file)).value_or(public_key_c{});
        std::string error, archive = (folder.path() / "lan.zip").string();
        EXPECT_TRUE(write_zip_archive(archive,
                                      {{"d/net.inf", "[Version]\nSignature=\"$Windows NT$\"\nClass=Net\nProvider=M\n"
                                                     "DriverVer=03/20/2019,1.0\n[Manufacturer]\nM=Models\n[Models]\n"
                                                     "\"LAN\"=Install, PCI\\LAN\n"}},
                                      error))
            << error;
        EXPECT_EQ(catalog_tool({"import", "--catalog", catalog, "--packages", served, archive}), 0);
    }
    // An installer of these bytes under the name, recorded as the version; the tool's exit status.
    int release(const std::string& name, const std::string& bytes, const std::string& version) {
        return catalog_tool({"release", "--catalog", catalog, "--packages", served, "--installer",
                             folder.write(name, bytes).string(), "--version", version, "--signing-key", secret});
    }
    std::unique_ptr<update_server_c> serve(served_catalog_c& loaded) const {
        catalog_load_report_c report;
        std::string error;
        EXPECT_TRUE(load_served_catalog(catalog, served, loaded, report, error)) << error;
        server_settings_c settings;
        settings.packages_folder = served;
        settings.log = nullptr;
        auto server = update_server_c::start(settings, loaded, error);
        EXPECT_TRUE(server) << error;
        return server;
    }
};

}  // namespace

TEST(release_record, a_catalog_from_before_releases_takes_one_and_the_server_serves_it_signed) {
    release_catalog_c owner;
    {
        // Back to the form the catalog tool wrote before it kept releases.
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(owner.catalog.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, "DROP TABLE releases; ALTER TABLE packages DROP COLUMN channel; PRAGMA user_version = 2;", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
    served_catalog_c loaded;
    {
        // Such a catalog is served, and has no release.
        auto server = owner.serve(loaded);
        ASSERT_TRUE(server);
        http_reply_c none = fetch(server->base_url() + "release");
        EXPECT_EQ(none.status, 404);
        EXPECT_EQ(none.body, "no release\n");
        EXPECT_EQ(query_release({server->base_url()}, {owner.key}, "1.0").check.reason, "no release is published");
    }
    // Wrong versions and names are refused before anything changes.
    EXPECT_EQ(owner.release("Vantorel-Setup.exe", "MZ", "1.2beta"), 2);
    EXPECT_EQ(owner.release("Vantorel-Setup.zip", "MZ", "1.2.0"), 1);
    EXPECT_EQ(owner.release("lan.exe", "", "1.2.0"), 1);  // empty
    const std::string installer = "MZ the installer of 1.2.0";
    ASSERT_EQ(owner.release("Vantorel-Setup-1.2.0.exe", installer, "1.2.0"), 0);
    EXPECT_EQ(file_bytes(fs::path(owner.served) / "Vantorel-Setup-1.2.0.exe"), installer);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(owner.catalog.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(catalog_schema_version(db), current_catalog_schema);
    sqlite3_close(db);

    auto server = owner.serve(loaded);
    ASSERT_TRUE(server);
    http_reply_c answer = fetch(server->base_url() + "release");
    ASSERT_EQ(answer.status, 200);
    EXPECT_NE(answer.headers.find("text/xml"), std::string::npos);
    release_check_c check = check_release_answer(answer.body, {owner.key}, "1.1.0");
    ASSERT_EQ(check.verdict, release_verdict_c::newer) << check.reason << "\n" << answer.body;
    EXPECT_EQ(check.offer.link, server->base_url() + "packages/Vantorel-Setup-1.2.0.exe");
    http_reply_c download = fetch(check.offer.link);
    ASSERT_EQ(download.status, 200);
    EXPECT_EQ(download.body, installer);
    EXPECT_EQ(sha256_of(download.body), check.offer.sha256);
    EXPECT_EQ(fetch(server->base_url() + "release", &installer).status, 405);
    EXPECT_EQ(fetch(server->base_url() + "packages/Vantorel-Setup.zip").status, 404);

    // A newer release replaces it; prune keeps only the installer that is linked.
    ASSERT_EQ(owner.release("Vantorel-Setup-1.3.0.exe", "MZ the installer of 1.3.0", "1.3.0"), 0);
    ASSERT_EQ(catalog_tool({"prune", "--catalog", owner.catalog, "--packages", owner.served}), 0);
    EXPECT_FALSE(fs::exists(fs::path(owner.served) / "Vantorel-Setup-1.2.0.exe"));
    EXPECT_TRUE(fs::exists(fs::path(owner.served) / "Vantorel-Setup-1.3.0.exe"));
    EXPECT_TRUE(fs::exists(fs::path(owner.served) / "lan.zip"));
    server = owner.serve(loaded);
    ASSERT_TRUE(server);
    EXPECT_EQ(query_release({server->base_url()}, {owner.key}, "1.3.0").check.verdict, release_verdict_c::up_to_date);

    // Its installer gone from the packages folder, the release is not served.
    fs::remove(fs::path(owner.served) / "Vantorel-Setup-1.3.0.exe");
    catalog_load_report_c report;
    std::string error;
    ASSERT_TRUE(load_served_catalog(owner.catalog, owner.served, loaded, report, error)) << error;
    EXPECT_FALSE(loaded.release);
    EXPECT_EQ(report.missing_installer, "Vantorel-Setup-1.3.0.exe");
}

TEST(release_query, fails_over_past_dead_refused_and_releaseless_mirrors_to_a_signed_release) {
    release_catalog_c owner, stranger, empty;
    ASSERT_EQ(owner.release("Vantorel-Setup-2.0.exe", "MZ 2.0", "2.0"), 0);
    ASSERT_EQ(stranger.release("Vantorel-Setup-2.0.exe", "MZ 2.0", "2.0"), 0);  // signed by a key the program lacks
    served_catalog_c a, b, c;
    auto good = owner.serve(a), forged = stranger.serve(b), releaseless = empty.serve(c);
    ASSERT_TRUE(good && forged && releaseless);
    // A port nothing listens on: the server's own, once it has stopped.
    std::string dead;
    {
        served_catalog_c d;
        auto stopped = empty.serve(d);
        ASSERT_TRUE(stopped);
        dead = stopped->base_url();
    }
    const std::vector<public_key_c> keys{owner.key};
    release_query_c query = query_release({dead, forged->base_url(), good->base_url()}, keys, "1.1.0");
    ASSERT_EQ(query.check.verdict, release_verdict_c::newer) << query.check.reason;
    EXPECT_EQ(query.answered_by, good->base_url());
    EXPECT_EQ(query.failures.size(), 2u);
    // No mirror with a signed release: a refusal is what is told, before a mirror without one.
    query = query_release({releaseless->base_url(), forged->base_url(), dead}, keys, "1.1.0");
    EXPECT_EQ(query.check.verdict, release_verdict_c::refused);
    EXPECT_EQ(query.check.reason, "the release's signature is not the publisher's");
    query = query_release({releaseless->base_url(), dead, dead}, keys, "1.1.0");
    EXPECT_EQ(query.check.verdict, release_verdict_c::unreadable);
    EXPECT_EQ(query.failures.size(), 2u);  // the last mirror fills the third place: asked once
}
