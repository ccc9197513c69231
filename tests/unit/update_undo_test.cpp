// The driver an update replaces: backed up before the installer runs (once per INF and version),
// recorded for Undo, and put back by Undo, on real folders, archives and record files, with the
// installer recorded rather than run.
#include "backup/undo_job.h"
#include "backup/update_backup.h"
#include "common/file_digest.h"
#include "common/file_open.h"
#include "common/path_join.h"
#include "common/text_convert.h"
#include "download/start_install.h"
#include "dpinst/device_rollback.h"
#include "dpinst/installer_options.h"
#include "service/hidden_offers.h"
#include "service/install_reports.h"
#include "tests/unit/recording_launcher.h"
#include "tests/unit/test_files.h"
#include "tests/unit/test_zip.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <cwchar>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::wstring wide(const fs::path& path) { return utf8_to_wide(path.u8string()); }

class yes_gates_c final : public install_gates_c {
public:
    bool confirm_none_needed() override { return true; }
    bool user_is_administrator() override { return true; }
    void tell_administrator_required() override {}
};

void wait_for(const install_job_c& job) {
    for (int i = 0; i < 500 && job.running.load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(job.running.load(), 0);
}

// A downloaded package B for a network adapter that runs A ("oem7.inf", 1.0.0.0), whose store
// folder holds A's INF and driver; the backups go to their own folder.
class update_undo_test : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = wide(scratch_.path());
        store_ = scratch_.path() / "store";
        fs::create_directories(store_ / "net.inf_amd64_1234");
        std::ofstream(store_ / "net.inf_amd64_1234" / "net.inf") << "[Version]\r\nDriverVer=01/01/2020,1.0.0.0\r\n";
        std::ofstream(store_ / "net.inf_amd64_1234" / "net.sys") << "MZ A";
        session_ = get_download_session(link_, 1, folder_);
        session_->state = download_state_c::complete;
        ASSERT_TRUE(write_test_zip(wide_to_utf8(session_->final_path), {{"drv/net.inf", "[Version]"}, {"drv/net.sys", "MZ B"}}));
        context_ = installer_context_c{folder_, folder_, true, &launcher_, &disk_files()};
        launcher_.exit_code = 1;  // one package installed
    }
    void TearDown() override { download_sessions.clear(); }

    install_request_c request(bool locatable = true) {
        install_request_c r{link_, {L"drv\\net.inf"}, false};
        r.offered_version = L"2.0.0.0";
        update_device_c device;
        device.texts = {instance_, L"Net Adapter", L"Vendor", L"oem7.inf", L"1.0.0.0", L"2020-01-01"};
        device.driver_description = L"Net Adapter";
        device.has_driver = true;
        r.update_devices = {device};
        update_backup_c places;
        places.location.root = wide(store_);
        const std::wstring copy = wide(store_ / "net.inf_amd64_1234" / "net.inf");
        places.location.locate = [copy, locatable](const std::wstring& inf) -> std::optional<std::wstring> {
            if (!locatable || inf != L"oem7.inf") return std::nullopt;
            return copy;
        };
        places.backup_folder = backups();
        places.index_path = index();
        places.today = "2026-12-11";
        r.back_up = update_backup_step(places);
        return r;
    }

    void install(const install_request_c& r) {
        yes_gates_c gates;
        ASSERT_EQ(start_install(r, *session_, context_, gates), install_start_c::started);
        wait_for(session_->install_job);
    }

    undo_outcome_c undo() {
        yes_gates_c gates;
        EXPECT_EQ(start_undo({instance_}, {folder_, backups(), index()}, *session_, context_, gates), install_start_c::started);
        wait_for(session_->install_job);
        return session_->install_job.undo.value_or(undo_outcome_c{});
    }

    std::wstring backups() const { return wide(scratch_.path() / "backups"); }
    std::wstring index() const { return wide(scratch_.path() / "backups" / "backup.xml"); }
    std::size_t archives() const {
        std::size_t count = 0;
        for (const auto& entry : fs::directory_iterator(scratch_.path() / "backups"))
            count += entry.path().extension() == ".zip";
        return count;
    }

    scratch_folder_c scratch_;
    fs::path store_;
    std::wstring folder_;
    const std::string link_ = "http://127.0.0.1/net-2.0.zip";
    const std::wstring instance_ = L"PCI\\VEN_8086&DEV_15BC\\3&11583659&0&FE";
    download_session_c* session_ = nullptr;
    recording_launcher_c launcher_;
    installer_context_c context_;
};

}  // namespace

TEST_F(update_undo_test, the_replaced_driver_is_backed_up_once_and_undo_puts_it_back) {
    ASSERT_NO_FATAL_FAILURE(install(request()));
    ASSERT_TRUE(session_->install_job.report.installed);
    EXPECT_EQ(session_->install_job.report.installed->verdict, install_verdict_c::installed);
    // The archive is named with A's version and recorded as taken automatically, with its package.
    const fs::path archive = scratch_.path() / "backups" / "Net-Adapter-1.0.0.0.zip";
    ASSERT_TRUE(fs::exists(archive));
    {
        std::lock_guard<std::mutex> guard(backup_index_lock);
        backup_index_c index;
        ASSERT_EQ(load_backup_index(index, this->index(), backups(), device_store_c{}).result, 0);
        ASSERT_EQ(index.size(), 1u);
        EXPECT_TRUE(index[0].automatic);
        EXPECT_EQ(index[0].package_inf, L"oem7.inf");
        EXPECT_EQ(index[0].package_version, L"1.0.0.0");
        ASSERT_TRUE(index[0].sha256);
    }
    const std::optional<driver_update_c> recorded = undoable_update(instance_, folder_);
    ASSERT_TRUE(recorded);
    EXPECT_EQ(recorded->backup_archive, L"Net-Adapter-1.0.0.0.zip");
    EXPECT_EQ(recorded->installed_version, L"2.0.0.0");
    EXPECT_EQ(bytes_of(scratch_.path() / "setup.dat"), link_ + "\n");

    // The same driver in use again: its backup is there, no second archive.
    ASSERT_NO_FATAL_FAILURE(install(request()));
    EXPECT_EQ(archives(), 1u);

    // Undo: A's archive restored, forced; the device is rolled back, B hidden for it and no longer
    // counted as installed.
    const std::size_t starts = launcher_.started().size();
    const undo_outcome_c outcome = undo();
    EXPECT_EQ(outcome.result, undo_result_c::undone) << outcome.problem;
    EXPECT_TRUE(outcome.from_backup);
    ASSERT_EQ(launcher_.started().size(), starts + 1);
    EXPECT_NE(launcher_.started().back().find(L" /SH /F /STAGE \"" + wide(archive) + L"\""), std::wstring::npos)
        << wide_to_utf8(launcher_.started().back());
    EXPECT_FALSE(undoable_update(instance_, folder_));
    const std::optional<hidden_offers_c> hidden = read_hidden_offers(hidden_offers_path(folder_));
    ASSERT_TRUE(hidden && hidden->entries().size() == 1);
    EXPECT_EQ(hidden->entries()[0].version, L"2.0.0.0");
    EXPECT_EQ(bytes_of(scratch_.path() / "setup.dat"), "");
    // Nothing left to undo.
    EXPECT_EQ(undo().result, undo_result_c::nothing_to_undo);
    EXPECT_EQ(launcher_.started().size(), starts + 1);
}

TEST_F(update_undo_test, without_a_backup_nothing_installs_until_the_user_agrees_and_undo_asks_windows) {
    ASSERT_NO_FATAL_FAILURE(install(request(false)));
    const install_job_c& job = session_->install_job;
    EXPECT_NE(job.backup_problem.find("no copy of the driver in use (oem7.inf)"), std::string::npos) << job.backup_problem;
    EXPECT_TRUE(launcher_.started().empty());
    EXPECT_FALSE(file_exists(wide(scratch_.path() / "setup.dat")));

    install_request_c agreed = request(false);
    agreed.back_up_first = false;
    agreed.offered_version.clear();  // an offer of no known version
    ASSERT_NO_FATAL_FAILURE(install(agreed));
    EXPECT_TRUE(job.backup_problem.empty());
    ASSERT_EQ(launcher_.started().size(), 1u);
    ASSERT_TRUE(undoable_update(instance_, folder_));
    EXPECT_TRUE(undoable_update(instance_, folder_)->backup_archive.empty());

    // Windows' rollback, through the installer; a failed one records nothing.
    launcher_.exit_code = 0x80010000u;
    EXPECT_EQ(undo().result, undo_result_c::failed);
    EXPECT_EQ(launcher_.started().back(), L"runas " + join_path(folder_, L"DPInst64.exe") + L" /ROLLBACK \"" + instance_ + L"\"");
    EXPECT_TRUE(undoable_update(instance_, folder_));
    launcher_.exit_code = 1;
    EXPECT_EQ(undo().result, undo_result_c::undone);
    EXPECT_FALSE(undoable_update(instance_, folder_));
    EXPECT_TRUE(read_hidden_offers(hidden_offers_path(folder_))->empty());  // not "every version"
}

// The record survives any text in its fields, and lines that are no entry are passed over.
TEST(driver_updates, the_record_file_reads_back_what_it_wrote) {
    scratch_folder_c scratch;
    const std::wstring path = driver_updates_path(wide(scratch.path()));
    driver_updates_c updates;
    updates.record({L"ROOT\\A\\0", L"oem1.inf", L"1.0", L"2.0", L"A 100%\tB.zip", false, "http://x/a b.zip"});
    updates.record({L"ROOT\\B\\0", L"", L"", L"3.0", L"", true});
    updates.record({L"root\\a\\0", L"oem1.inf", L"1.0", L"2.1", L"A.zip", false});  // the same device
    ASSERT_TRUE(write_driver_updates(path, updates));
    std::ofstream(scratch.path() / "updates.dat", std::ios::app) << "updated\tonly-two\n\nrolled-back\t\ta\tb\tc\td\n";
    const std::optional<driver_updates_c> read = read_driver_updates(path);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->entries().size(), 2u);
    EXPECT_EQ(read->find(L"ROOT\\A\\0")->installed_version, L"2.1");
    EXPECT_EQ(read->find(L"ROOT\\A\\0")->backup_archive, L"A.zip");
    EXPECT_TRUE(read->find(L"ROOT\\B\\0")->rolled_back);
    updates = driver_updates_c{};
    updates.record({L"ROOT\\C\\0", L"oem2.inf", L"1.0", L"2.0", L"..\\outside.zip", false, "http://x/a%20b\t.zip"});
    ASSERT_TRUE(write_driver_updates(path, updates));
    const driver_update_c kept = *read_driver_updates(path)->find(L"ROOT\\C\\0");
    EXPECT_EQ(kept.backup_archive, L"");  // never a path out of the backup folder
    EXPECT_EQ(kept.installed_link, "http://x/a%20b\t.zip");
}

TEST(dpinst_rollback, windows_rollback_is_one_package_installed_or_failed_with_its_reason) {
    installer_options_c options;
    std::wstring error;
    ASSERT_TRUE(parse_installer_switches({L"/S", L"/ROLLBACK", L"PCI\\VEN_1\\0"}, options, error)) << wide_to_utf8(error);
    EXPECT_EQ(options.rollback_device, L"PCI\\VEN_1\\0");
    EXPECT_FALSE(parse_installer_switches({L"/ROLLBACK", L"X", L"/PATH", L"C:\\d"}, options, error));

    const std::wstring id = L"PCI\\VEN_1\\0";
    EXPECT_EQ(rollback_result(id, {true, true, true, 0, true, 0}).outcome, package_outcome_c::installed);
    EXPECT_TRUE(rollback_result(id, {true, true, true, 0, true, 0}).restart_needed);
    const struct {
        rollback_call_c call;
        const wchar_t* reason;
    } failures[] = {
        {{false, false, false, 0, false, 0}, L"not available"},
        {{true, false, false, 0, false, 0}, L"no device"},
        {{true, true, false, 0xE0000103u, false, 0}, L"kept no earlier driver"},
        {{true, true, false, 0x5u, false, 0}, L"error 0x00000005"},
        {{true, true, true, 0, false, 52}, L"52"},
    };
    for (const auto& failure : failures) {
        const package_result_c result = rollback_result(id, failure.call);
        EXPECT_EQ(result.outcome, package_outcome_c::failed);
        EXPECT_NE(result.reason.find(failure.reason), std::wstring::npos) << wide_to_utf8(result.reason);
    }
}

// A package's own set-up program that exits with 0 installed something only when a device's driver
// changed; otherwise it failed and its exit code is shown.
TEST_F(update_undo_test, a_set_up_program_counts_as_installed_only_when_a_driver_changed) {
    ASSERT_TRUE(write_test_zip(wide_to_utf8(session_->final_path), {{"setup.exe", "MZ"}}));
    launcher_.exit_code = 0;
    for (const bool changed : {false, true}) {
        install_request_c r = request();
        r.inf_names.clear();
        r.drivers_changed = [changed](const std::vector<update_device_c>& before) { return before.size() == 1 && changed; };
        ASSERT_NO_FATAL_FAILURE(install(r));
        ASSERT_TRUE(session_->install_job.report.installed);
        EXPECT_NE(launcher_.started().back().find(L" /RUN \"setup.exe\""), std::wstring::npos);
        EXPECT_EQ(session_->install_job.report.installed->verdict,
                  changed ? install_verdict_c::installed : install_verdict_c::failed);
        EXPECT_EQ(bool(undoable_update(instance_, folder_)), changed);
    }
    // As a rescan reads it: another INF, version or date is another driver.
    device_store_c now;
    now.devices.resize(1);
    std::wcscpy(now.devices[0].instance_path, instance_.c_str());
    now.devices[0].has_driver = true;
    std::wcscpy(now.devices[0].inf_path, L"oem7.inf");
    std::wcscpy(now.devices[0].driver_version, L"1.0.0.0");
    std::wcscpy(now.devices[0].driver_date, L"2020-01-01");
    const std::vector<update_device_c> before = request().update_devices;
    EXPECT_FALSE(any_driver_changed(before, now));
    std::wcscpy(now.devices[0].driver_date, L"2021-01-01");
    EXPECT_TRUE(any_driver_changed(before, now));
}

// With the user's consent the installation is queued as a report per device: the package's digest,
// the hardware ID it was offered for, what it replaced and how it ended; nothing that names the PC.
TEST_F(update_undo_test, an_installation_is_queued_as_a_report_only_with_consent) {
    // A signed offer whose INF names the ID it was offered for: its session knows the digest the
    // package must have.
    ASSERT_TRUE(write_test_zip(wide_to_utf8(session_->final_path),
                               {{"drv/net.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n[Manufacturer]\r\nM=Models,NTamd64\r\n"
                                                "[Models.NTamd64]\r\n\"NIC\"=Install, PCI\\VEN_8086&DEV_15BC\r\n"},
                                {"drv/net.sys", "MZ B"}}));
    const std::optional<sha256_digest_c> digest = file_sha256(session_->final_path);
    download_session_c* signed_session = get_download_session("http://127.0.0.1/net-2.0-signed.zip", 1, folder_, digest);
    signed_session->state = download_state_c::complete;
    fs::copy_file(fs::u8path(wide_to_utf8(session_->final_path)), fs::u8path(wide_to_utf8(signed_session->final_path)));
    session_ = signed_session;
    const std::wstring queue = report_queue_path(folder_);
    for (const bool consent : {false, true}) {
        install_request_c r = request();
        r.hardids = {L"PCI\\VEN_8086&DEV_15BC"};
        if (consent) r.report_origin = {queue, "WIN1064", 19045, "amd64"};
        launcher_.exit_code = 0x40000001u;
        ASSERT_NO_FATAL_FAILURE(install(r));
        EXPECT_EQ(queued_reports(queue).size(), consent ? 1u : 0u);
    }
    const nlohmann::json report = nlohmann::json::parse(queued_reports(queue).front());
    EXPECT_EQ(report["package_sha256"], digest_hex(*digest));
    EXPECT_EQ(report["hardware_id"], "PCI\\VEN_8086&DEV_15BC");
    EXPECT_EQ(report["inf_path"], "drv\\net.inf");
    EXPECT_EQ(report["replaced"]["version"], "1.0.0.0");
    EXPECT_EQ(report["outcome"], "restart_needed");
    EXPECT_EQ(report["exit_code"], 0x40000001u);
    EXPECT_EQ(report["machine"], "amd64");
    EXPECT_EQ(std::string(report["report_id"]).size(), 32u);
    EXPECT_EQ(report.dump().find(wide_to_utf8(instance_)), std::string::npos);  // no instance path

    // Undone: the update's package is reported rolled back for that hardware ID.
    launcher_.exit_code = 1;
    yes_gates_c gates;
    undo_places_c places{folder_, backups(), index(), {queue, "WIN1064", 19045, "amd64"}};
    ASSERT_EQ(start_undo({instance_}, places, *session_, context_, gates), install_start_c::started);
    wait_for(session_->install_job);
    ASSERT_EQ(queued_reports(queue).size(), 2u);
    const nlohmann::json undone = nlohmann::json::parse(queued_reports(queue).back());
    EXPECT_EQ(undone["outcome"], "rolled_back");
    EXPECT_EQ(undone["package_sha256"], digest_hex(*digest));
    EXPECT_EQ(undone["hardware_id"], "PCI\\VEN_8086&DEV_15BC");
    EXPECT_EQ(undone["replaced"]["version"], "2.0.0.0");
}

// A backup the user restores over a device the program updated puts another driver back as Undo
// does: the update is rolled back, its version hidden, and reported where the user agreed. A
// backup of the very version installed changes nothing.
TEST(driver_updates, a_restore_over_an_update_counts_as_its_rollback) {
    scratch_folder_c scratch;
    const std::wstring folder = wide(scratch.path()), queue = report_queue_path(folder);
    driver_updates_c updates;
    updates.record({L"ROOT\\A\\0", L"oem1.inf", L"1.0", L"2.0", L"", false, "", std::string(64, 'b'), "a.inf", "ROOT\\A"});
    ASSERT_TRUE(write_driver_updates(driver_updates_path(folder), updates));
    const undo_places_c places{folder, folder, folder + L"\\backup.xml", {queue, "WIN1064", 19045, "amd64"}};
    record_restore_over_updates({L"ROOT\\A\\0", L"ROOT\\OTHER\\0"}, L"2.0", places);
    EXPECT_TRUE(undoable_update(L"ROOT\\A\\0", folder));
    EXPECT_TRUE(queued_reports(queue).empty());
    record_restore_over_updates({L"ROOT\\A\\0"}, L"1.0", places);
    EXPECT_FALSE(undoable_update(L"ROOT\\A\\0", folder));
    const std::vector<hidden_offer_c> hidden = read_hidden_offers(hidden_offers_path(folder))->entries();
    ASSERT_EQ(hidden.size(), 1u);
    EXPECT_EQ(hidden[0].version, L"2.0");
    ASSERT_EQ(queued_reports(queue).size(), 1u);
    EXPECT_EQ(nlohmann::json::parse(queued_reports(queue).front())["outcome"], "rolled_back");
}
