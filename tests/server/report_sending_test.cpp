// The program's queue of install reports sent to a real server on loopback: taken ones and ones
// refused for good leave the queue, an unreachable mirror keeps them all, and the queue is bounded.
#include "server/reports/report_store.h"
#include "service/install_reports.h"
#include "service/update_service.h"

#include "tests/server/test_catalogs.h"
#include "tests/unit/test_files.h"

#include <gtest/gtest.h>

namespace {

install_report_entry_c report_for(const std::string& hardware_id) {
    install_report_entry_c report;
    report.report_id = new_report_id();
    report.package_sha256 = std::string(64, 'b');
    report.inf_path = "lan\\net.inf";
    report.hardware_id = hardware_id;
    report.outcome = "installed";
    report.os = "WIN764";
    report.build = 7601;
    report.machine = "amd64";
    return report;
}

}  // namespace

TEST(report_sending, the_queue_goes_to_the_mirror_that_answered_and_keeps_what_was_not_taken) {
    scratch_folder_c folder;
    const std::wstring queue = report_queue_path(folder.path().wstring());
    ASSERT_TRUE(queue_reports(queue, {report_for("PCI\\LAN"), report_for(""), report_for("PCI\\WLAN")}));
    ASSERT_EQ(queued_reports(queue).size(), 3u);

    std::string error;
    server_settings_c settings;
    settings.log = nullptr;
    settings.packages_folder = folder.path().string();
    settings.reports = open_sqlite_report_store((folder.path() / "reports.sqlite").string(), error);
    ASSERT_TRUE(settings.reports) << error;
    auto server = update_server_c::start(settings, std::make_shared<const catalog_index_c>(), error);
    ASSERT_TRUE(server) << error;

    http_global_init();
    update_service_c service;
    service.transfer = create_transfer(64 * 1024);
    service.report_queue_file = queue;
    // Nothing listens at port 1: all stay for the next scan.
    report_sending_c sending = send_queued_reports(service, "http://127.0.0.1:1/");
    EXPECT_EQ(sending.kept, 3u);
    EXPECT_EQ(queued_reports(queue).size(), 3u);
    // The report without a hardware ID is refused for good; the other two are taken.
    sending = send_queued_reports(service, server->base_url());
    EXPECT_EQ(sending.taken, 2u);
    EXPECT_EQ(sending.refused, 1u);
    EXPECT_TRUE(queued_reports(queue).empty());
    EXPECT_EQ(settings.reports->tallies("", error).size(), 2u);
    service.transfer.reset();
    http_global_cleanup();

    // The queue keeps the newest reports only.
    std::vector<install_report_entry_c> many;
    for (std::size_t i = 0; i < report_queue_most + 5; ++i) many.push_back(report_for("PCI\\N" + std::to_string(i)));
    ASSERT_TRUE(queue_reports(queue, many));
    const std::vector<std::string> kept = queued_reports(queue);
    ASSERT_EQ(kept.size(), report_queue_most);
    EXPECT_NE(kept.back().find("PCI\\\\N204"), std::string::npos);
    EXPECT_NE(kept.front().find("PCI\\\\N5\""), std::string::npos);
}
