// Install reports: read field by field, kept once per report id, and a package demoted for a
// hardware ID once its failures pass the limits, on a real SQLite file and a server on loopback.
#include "common/sha256.h"
#include "server/catalog/catalog_loading.h"
#include "server/catalog/package_archive_writer.h"
#include "server/reports/install_report.h"
#include "server/reports/report_store.h"

#include "tests/server/http_client.h"
#include "tests/server/test_catalogs.h"
#include "tests/unit/test_files.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>

namespace {

namespace fs = std::filesystem;

const std::string package_digest(64, 'a');

// A report as the program sends it, with one field set to `value` (null: left out).
std::string report_body(int number, const char* outcome = "failed", const char* field = nullptr,
                        nlohmann::json value = nullptr, const std::string& package = package_digest) {
    char id[33];
    std::snprintf(id, sizeof id, "%032x", number);
    nlohmann::json report = {{"report_id", id},
                             {"package_sha256", package},
                             {"inf_path", "lan\\drv\\net.inf"},
                             {"hardware_id", "pci\\lan"},
                             {"replaced", {{"version", "12.18.9.6"}, {"date", "2018-01-01"}, {"provider", "Maker"}}},
                             {"outcome", outcome},
                             {"exit_code", 2147549184u},
                             {"os", "WIN1064"},
                             {"build", 19045},
                             {"machine", "amd64"}};
    if (field) {
        if (value.is_null()) report.erase(field);
        else report[field] = value;
    }
    return report.dump();
}

// A signed LAN package (its INF names PCI\LAN) and a key pair in a scratch folder; the catalog it
// is imported into, served on loopback with its install reports in a SQLite file beside it.
struct lan_catalog_c {
    scratch_folder_c folder;
    const std::string catalog = (folder.path() / "c.sqlite").string(), served = (folder.path() / "served").string();
    const std::string secret = (folder.path() / "s").string(), archive = (folder.path() / "lan.zip").string();
    const std::string reports = (folder.path() / "reports.sqlite").string();
    served_catalog_c loaded;
    server_settings_c settings;

    // Writes the archive and the key pair; false with the error.
    bool prepare(std::string& error) {
        if (!write_zip_archive(archive,
                               {{"drv/net.inf", "[Version]\nSignature=\"$Windows NT$\"\nClass=Net\nProvider=M\n"
                                                "DriverVer=03/20/2019,1.0\n[Manufacturer]\nM=Models,NTamd64.6.1\n"
                                                "[Models.NTamd64.6.1]\n\"LAN\"=Install, PCI\\LAN\n"},
                                {"drv/net.sys", "MZ"}},
                               error))
            return false;
        if (catalog_tool({"keygen", "--secret", secret, "--public", (folder.path() / "p").string()}) == 0) return true;
        error = "no key pair";
        return false;
    }
    // The SHA-256 of the archive as the packages folder holds it.
    std::string digest() const {
        std::ifstream in(fs::path(served) / "lan.zip", std::ios::binary);
        return digest_hex(sha256_of(std::string(std::istreambuf_iterator<char>(in), {})));
    }
    // Loads the catalog and starts a server that demotes and graduates by these limits.
    std::unique_ptr<update_server_c> serve(const demotion_limits_c& limits, std::string& error) {
        catalog_load_report_c load;
        if (!load_served_catalog(catalog, served, loaded, load, error)) return nullptr;
        settings.packages_folder = served;
        settings.log = nullptr;
        settings.reports = open_sqlite_report_store(reports, error);
        settings.demotion = limits;
        return update_server_c::start(settings, loaded, error);
    }
};

}  // namespace

TEST(install_reports, a_report_is_read_field_by_field_and_anything_else_refused) {
    install_report_c report;
    std::string problem;
    ASSERT_TRUE(read_install_report(report_body(1), report, problem)) << problem;
    EXPECT_EQ(report.hardware_id, "PCI\\LAN");
    EXPECT_EQ(report.outcome, report_outcome_c::failed);
    EXPECT_EQ(report.exit_code, std::optional<std::uint32_t>(0x80010000u));
    EXPECT_EQ(report.replaced_version, "12.18.9.6");
    const struct {
        const char* field;
        nlohmann::json value;
        const char* problem;
    } refused[] = {
        {"user", "alice", "unknown field user"},  // nothing that names the machine or its user
        {"report_id", "ABC", "report_id"},
        {"package_sha256", std::string(64, 'G'), "package_sha256"},
        {"outcome", "exploded", "outcome"},
        {"outcome", nullptr, "missing field outcome"},
        {"machine", "mips", "machine"},
        {"exit_code", -1, "exit_code"},
        {"hardware_id", std::string(300, 'A'), "hardware_id"},
        {"replaced", {{"version", "1"}, {"serial", "X"}}, "unknown field serial"},
        {"os", "win10; drop", "os"},
    };
    for (const auto& each : refused) {
        EXPECT_FALSE(read_install_report(report_body(1, "failed", each.field, each.value), report, problem)) << each.field;
        EXPECT_NE(problem.find(each.problem), std::string::npos) << problem;
    }
    // An Undo counts against the package as a failure does.
    ASSERT_TRUE(read_install_report(report_body(1, "rolled_back"), report, problem)) << problem;
    EXPECT_TRUE(counts_as_failure(report.outcome));
    EXPECT_FALSE(read_install_report("[1, 2]", report, problem));
    EXPECT_FALSE(read_install_report(std::string(report_body_bytes + 1, ' '), report, problem));
}

// The SQLite file and PostgreSQL (where VANTOREL_POSTGRES_URL names a database, as the scale
// check's scratch cluster does) keep reports alike.
class report_stores : public ::testing::TestWithParam<const char*> {};

INSTANTIATE_TEST_SUITE_P(, report_stores, ::testing::Values("sqlite", "postgresql"));

TEST_P(report_stores, each_report_counts_once_and_the_limits_demote_until_promoted) {
    scratch_folder_c folder;
    std::string error;
    const char* postgres = std::getenv("VANTOREL_POSTGRES_URL");
    if (std::string(GetParam()) == "postgresql" && !postgres) GTEST_SKIP() << "VANTOREL_POSTGRES_URL names no database";
    auto store = std::string(GetParam()) == "postgresql" ? open_report_store(postgres, error)
                                                        : open_report_store((folder.path() / "reports.sqlite").string(), error);
    ASSERT_TRUE(store) << error;
    // A package of this run only: a shared database keeps what earlier runs left.
    const std::string package_digest = digest_hex(sha256_of(std::to_string(std::rand()) + folder.path().string()));
    const demotion_limits_c limits{4, 50, 0};
    install_report_c report;
    bool demoted = false;
    // Installed, installed, failed: 1 of 3; then the same report again counts nothing.
    int number = 0;
    for (const char* outcome : {"installed", "installed", "failed"}) {
        ASSERT_TRUE(read_install_report(report_body(++number, outcome, nullptr, nullptr, package_digest), report, error));
        EXPECT_EQ(store->add(report, limits, demoted, error), report_taken_c::added) << error;
        EXPECT_FALSE(demoted);
    }
    EXPECT_EQ(store->add(report, limits, demoted, error), report_taken_c::already_taken);
    // A fourth, failed: 2 of 4 is 50 %.
    ASSERT_TRUE(read_install_report(report_body(++number, "failed", nullptr, nullptr, package_digest), report, error));
    EXPECT_EQ(store->add(report, limits, demoted, error), report_taken_c::added);
    EXPECT_TRUE(demoted);
    report_verdicts_c verdicts;
    ASSERT_TRUE(store->read_verdicts(verdicts, error));
    EXPECT_EQ(verdicts.demoted.count({package_digest, "PCI\\LAN"}), 1u);
    const std::vector<report_tally_c> rows = store->tallies(package_digest, error);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].reports, 4u);
    EXPECT_EQ(rows[0].installed, 2u);
    EXPECT_EQ(rows[0].failed, 2u);
    EXPECT_TRUE(rows[0].demoted);

    // Graduation out of testing: a package demoted for a hardware ID does not graduate however
    // many good reports follow; another one's two good reports graduate it; the operator
    // graduates the first by hand.
    const demotion_limits_c graduating{4, 50, 2};
    for (const char* outcome : {"installed", "installed"}) {
        ASSERT_TRUE(read_install_report(report_body(++number, outcome, nullptr, nullptr, package_digest), report, error));
        EXPECT_EQ(store->add(report, graduating, demoted, error), report_taken_c::added);
    }
    const std::string good_digest = digest_hex(sha256_of(package_digest));
    for (const char* outcome : {"installed", "restart_needed"}) {
        ASSERT_TRUE(read_install_report(report_body(++number, outcome, nullptr, nullptr, good_digest), report, error));
        EXPECT_EQ(store->add(report, graduating, demoted, error), report_taken_c::added);
    }
    EXPECT_TRUE(demoted);
    ASSERT_TRUE(store->read_verdicts(verdicts, error));
    EXPECT_EQ(verdicts.graduated.count(good_digest), 1u);
    EXPECT_EQ(verdicts.graduated.count(package_digest), 0u);
    ASSERT_TRUE(store->set_graduated(package_digest, error)) << error;
    ASSERT_TRUE(store->read_verdicts(verdicts, error));
    EXPECT_EQ(verdicts.graduated.count(package_digest), 1u);

    // Promoted by the operator: the earlier reports no longer count, a new failure alone does not
    // demote it again.
    ASSERT_TRUE(store->set_demoted(package_digest, "PCI\\LAN", false, error)) << error;
    ASSERT_TRUE(store->read_verdicts(verdicts, error));
    EXPECT_EQ(verdicts.demoted.count({package_digest, "PCI\\LAN"}), 0u);
    ASSERT_TRUE(read_install_report(report_body(++number, "failed", nullptr, nullptr, package_digest), report, error));
    EXPECT_EQ(store->add(report, limits, demoted, error), report_taken_c::added);
    EXPECT_FALSE(demoted);
}

// Through the server: reports are taken at POST /report, a duplicate counted once, and once a
// signed package is demoted for the hardware ID the next scan no longer offers it there.
TEST(install_reports, the_server_takes_reports_and_stops_offering_a_demoted_package) {
    lan_catalog_c lan;
    std::string error;
    ASSERT_TRUE(lan.prepare(error)) << error;
    ASSERT_EQ(catalog_tool({"import", "--catalog", lan.catalog, "--packages", lan.served, "--signing-key", lan.secret,
                            lan.archive}),
              0);
    const std::string digest = lan.digest();
    auto server = lan.serve({2, 50}, error);
    ASSERT_TRUE(server) << error;
    const std::string scan = zlib_compressed(
        "<?xml version=\"1.0\"?><kelvdoc><client os=\"WIN764\" lang=\"437\" model=\"m\"/><hardwares>"
        "<hardware><id>PCI\\LAN\\1</id><hardids>PCI\\LAN</hardids></hardware></hardwares></kelvdoc>");
    EXPECT_NE(fetch(server->base_url(), &scan).body.find("lan.zip"), std::string::npos);

    const auto post = [&](const std::string& body) { return fetch(server->base_url() + "report", nullptr, nullptr, &body); };
    nlohmann::json first = nlohmann::json::parse(report_body(1));
    first["package_sha256"] = digest;
    http_reply_c taken = post(first.dump());
    ASSERT_EQ(taken.status, 200) << taken.body;
    EXPECT_NE(taken.body.find("\"counted\":true"), std::string::npos) << taken.body;
    EXPECT_NE(post(first.dump()).body.find("\"counted\":false"), std::string::npos);  // a retry counts once
    EXPECT_EQ(post(report_body(2, "failed", "user", "alice")).status, 400);
    EXPECT_EQ(post(std::string(report_body_bytes + 10, ' ')).status, 413);
    EXPECT_NE(fetch(server->base_url(), &scan).body.find("lan.zip"), std::string::npos);  // 1 report: under the limit

    nlohmann::json second = nlohmann::json::parse(report_body(3));
    second["package_sha256"] = digest;
    ASSERT_EQ(post(second.dump()).status, 200);
    EXPECT_EQ(fetch(server->base_url(), &scan).body.find("lan.zip"), std::string::npos);
    const http_reply_c health = fetch(server->base_url() + "health");
    EXPECT_NE(health.body.find("\"demoted_count\":1"), std::string::npos) << health.body;
    EXPECT_NE(fetch(server->base_url() + "metrics").body.find("vantorel_demoted_packages 1"), std::string::npos);

    // Promoted with the catalog tool: offered again once the server reads the demotions again.
    EXPECT_EQ(catalog_tool({"promote", "--reports-db", lan.reports, digest, "pci\\lan"}), 0);
    server->stop(0);
    server = update_server_c::start(lan.settings, lan.loaded, error);
    ASSERT_TRUE(server) << error;
    EXPECT_NE(fetch(server->base_url(), &scan).body.find("lan.zip"), std::string::npos);
}

// A package imported into testing is offered only to programs that take testing packages, until
// its install reports graduate it; then to everyone.
TEST(install_reports, a_testing_package_reaches_stable_programs_once_it_graduates) {
    lan_catalog_c lan;
    std::string error;
    ASSERT_TRUE(lan.prepare(error)) << error;
    EXPECT_EQ(catalog_tool({"import", "--catalog", lan.catalog, "--packages", lan.served, "--channel", "beta", lan.archive}), 2);
    EXPECT_EQ(catalog_tool({"import", "--catalog", lan.catalog, "--packages", lan.served, "--channel", "testing", lan.archive}),
              2);
    ASSERT_EQ(catalog_tool({"import", "--catalog", lan.catalog, "--packages", lan.served, "--signing-key", lan.secret,
                            "--channel", "testing", lan.archive}),
              0);
    const std::string digest = lan.digest();
    auto server = lan.serve({10, 30, 2}, error);
    ASSERT_TRUE(server) << error;
    const auto scan = [&](const char* channel) {
        const std::string request = zlib_compressed(
            std::string("<?xml version=\"1.0\"?><kelvdoc><client os=\"WIN764\" lang=\"437\" model=\"m\"") + channel +
            "/><hardwares><hardware><id>PCI\\LAN\\1</id><hardids>PCI\\LAN</hardids></hardware></hardwares></kelvdoc>");
        return fetch(server->base_url(), &request).body.find("lan.zip") != std::string::npos;
    };
    EXPECT_FALSE(scan(""));
    EXPECT_TRUE(scan(" channel=\"testing\""));
    for (int number : {1, 2}) {
        nlohmann::json report = nlohmann::json::parse(report_body(number, "installed"));
        report["package_sha256"] = digest;
        const std::string body = report.dump();
        ASSERT_EQ(fetch(server->base_url() + "report", nullptr, nullptr, &body).status, 200);
    }
    EXPECT_TRUE(scan(""));
    EXPECT_NE(fetch(server->base_url() + "metrics").body.find("vantorel_graduated_packages 1"), std::string::npos);
}
