// The program's whole job on a machine it has never seen: the simulated PC registered into a
// fresh prefix, three update-server mirrors with the demo catalog (VANTOREL_MIRRORS; mirror 1 is
// replaced by a refused address), then scan, download, install with our DPInst64.exe, rescan,
// back up and restore, each through the program's own code.
//
// Worked out by hand from server/catalog/demo_catalog.cpp and tests/tools/simulated_pc/simulated-pc.json:
// - The Xbox 360 controller has no driver, so its best offer (2.1.0.1349 of 2009-08-13, signed by
//   others) is an update.
// - The Z390 LPC controller runs Intel's 10.1.17.1 of 2018-07-18. Its latest offer is 10.1.17.3
//   of 2018-09-24 on Windows 7, and 10.1.18.2 of 2019-02-11 (for Windows 8 and later) on Windows
//   10, whose prefix the test script makes too; the best choice cannot call it an update here, because the simulated PC keeps
//   no INF of its installed drivers, so their rank reads as perfect. The same package is for three
//   more chipset devices (A324, A379, A32C) that run the same old driver: DPInst, which compares
//   dates, installs it on all four.
// - After the installations both packages are in the driver store with their catalogs, so the
//   installed rank (trusted, feature 0xFF, hardware ID) equals the offers': nothing is an update,
//   whether or not "setup.dat" names the links. The graphics card is untouched and still has its
//   later release on offer.
#include "system/machine_facts.h"
#include "backup/backup_index.h"
#include "backup/backup_job.h"
#include "backup/driver_store_win.h"
#include "backup/restore_job.h"
#include "backup/undo_job.h"
#include "backup/update_backup.h"
#include "common/date_text.h"
#include "common/text_convert.h"
#include "devices/device_store.h"
#include "devices/system_source.h"
#include "download/download_session.h"
#include "download/start_install.h"
#include "download/zip_reader.h"
#include "service/driver_matching.h"
#include "common/failure_code.h"
#include "service/update_service.h"
#include "tests/win/demo_mirrors.h"
#include "tests/win/dpinst/installer_process_win.h"
#include "dpinst/result_window_win.h"
#include "tests/tools/simulated_pc/profile_registration_win.h"
#include "ui/pages/driver_grouping.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

namespace {

namespace fs = std::filesystem;

const wchar_t xbox_controller[] = L"USB\\VID_045E&PID_028E";
const wchar_t xbox_instance_id[] = L"USB\\VID_045E&PID_028E\\5&2A3C9B1&0&12";
const wchar_t lpc_controller[] = L"PCI\\VEN_8086&DEV_A305";
const wchar_t* const chipset_devices[] = {lpc_controller, L"PCI\\VEN_8086&DEV_A324", L"PCI\\VEN_8086&DEV_A379",
                                          L"PCI\\VEN_8086&DEV_A32C"};
const wchar_t graphics_card[] = L"PCI\\VEN_10DE&DEV_1C82";
const wchar_t integrated_graphics[] = L"PCI\\VEN_8086&DEV_3E98";

// Starts what the program starts and waits for it to end; the installer is not silent, so its
// result window is closed as a user would close it.
class waiting_launcher_c final : public shell_launcher_c {
public:
    struct start_c {
        std::wstring program, parameters;
        std::optional<std::uint32_t> exit_code;
    };

    bool open(const std::wstring& target) override {
        std::lock_guard<std::mutex> guard(lock_);
        starts_.push_back({target, L"", std::nullopt});
        return true;
    }

    bool run(const std::wstring& program, const std::wstring& parameters) override {
        std::optional<std::uint32_t> ignored;
        return run_to_end(program, parameters, ignored);
    }

    launch_result_c run_as_administrator_to_end(const std::wstring& program, const std::wstring& parameters,
                                              const std::wstring&, std::optional<std::uint32_t>& exit_code) override {
        return run_to_end(program, parameters, exit_code) ? launch_result_c::started : launch_result_c::failed;
    }

    std::vector<start_c> starts() {
        std::lock_guard<std::mutex> guard(lock_);
        return starts_;
    }

private:
    bool run_to_end(const std::wstring& program, const std::wstring& parameters, std::optional<std::uint32_t>& exit_code) {
        running_installer_c installer(program.c_str(), parameters);
        if (!installer.started()) return false;
        if (HWND window = installer.wait_for_window(result_window_class, 120000))
            PostMessageW(window, WM_COMMAND, result_close_id, 0);
        start_c start{program, parameters, installer.wait_for_exit(30000)};
        exit_code = start.exit_code;
        std::lock_guard<std::mutex> guard(lock_);
        starts_.push_back(start);
        return true;
    }

    std::mutex lock_;
    std::vector<start_c> starts_;
};

class yes_gates_c final : public install_gates_c {
public:
    bool confirm_none_needed() override { return true; }
    bool user_is_administrator() override { return true; }
    void tell_administrator_required() override {}
};

const device_c* device_starting_with(const device_store_c& store, const wchar_t* start) {
    for (const device_c& device : store.devices)
        if (std::wcsncmp(device.instance_path, start, std::wcslen(start)) == 0) return &device;
    return nullptr;
}

std::string narrow(const wchar_t* text) { return wide_to_utf8(text); }

std::string ends_of(const std::string& link) { return link.substr(link.find_last_of('/') + 1); }

// The chipset package the LPC controller's latest offer names, and the driver it installs.
struct chipset_release_c {
    const char* package;
    const wchar_t* version;
    const wchar_t* date;
};

std::vector<std::string> file_lines(const fs::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

class whole_loop : public ::testing::Test {
protected:
    void SetUp() override {
        mirrors_ = mirrors_from_environment();
        if (mirrors_.size() != 3) GTEST_SKIP() << "VANTOREL_MIRRORS does not name three mirrors";
        device_profile_c profile;
        std::string error;
        ASSERT_TRUE(load_device_profile(VANTOREL_SOURCE_DIR "/tests/tools/simulated_pc/simulated-pc.json", profile, error))
            << error;
        ASSERT_EQ(register_device_profile(profile), 0);
        ASSERT_TRUE(collect_basic_facts());
        // The prefix reports Windows 7, or Windows 10 when the test script sets it so.
        ASSERT_STREQ(os_code(), windows10() ? "WIN1064" : "WIN764");

        // The program folder holds the installers and "setup.dat"; the work folder is left for
        // the test script, which checks the backup archive with another zip reader.
        work_ = fs::current_path() / "loop-work";
        std::error_code ignored;
        fs::remove_all(work_, ignored);
        program_ = work_ / "program";
        fs::create_directories(program_);
        fs::create_directories(work_ / "downloads");
        fs::create_directories(work_ / "backups");
        for (const wchar_t* installer : {L"DPInst64.exe", L"DPInst32.exe"})
            fs::copy_file(fs::current_path() / installer, program_ / installer);
        http_global_init();
    }

    void TearDown() override { http_global_cleanup(); }

    // Enumerates through SetupAPI and asks the mirrors, as the scan page does.
    void scan(device_store_c& store) {
        enumeration_progress_c progress;
        auto source = make_system_device_source();
        ASSERT_EQ(enumerate_devices(store, *source, progress), failure_code_c::none);
        machine_description_c query;
        query.os_code = os_code();
        query.os_version_number = os_version_number();
        query.build = os_version().build;
        query.machine = machine_name(system_machine());
        query.model = L"System Product Name";
        query.lang = 437;
        update_service_c service;
        service.mirrors = {"http://127.0.0.1:1/", mirrors_[1], mirrors_[2]};
        service.installed_links_file = (program_ / "setup.dat").wstring();
        service.hidden_offers_file = (program_ / "hidden.dat").wstring();
        const query_outcome_c outcome = query_update_server(service, store, query);
        ASSERT_TRUE(outcome.succeeded()) << "failure " << failure_number(outcome.failure) << ", status " << outcome.http_status;
    }

    // Downloads the offer through a download session, pausing it once when asked.
    download_session_c* download(const driver_item_c& item, bool pause_once) {
        download_session_c* session = get_download_session(item.link, item.size, (work_ / "downloads").wstring());
        EXPECT_TRUE(session->start_download());
        if (pause_once) {
            session->request_pause();
            wait_for_worker(*session);
            EXPECT_EQ(session->state, download_state_c::paused);
            EXPECT_LE(session->job.bytes_done.load(), item.size);
            EXPECT_TRUE(session->start_download());
        }
        wait_for_worker(*session);
        EXPECT_EQ(session->state, download_state_c::complete) << item.link;
        EXPECT_EQ(fs::file_size(session->final_path), item.size);
        return session;
    }

    static void wait_for_worker(download_session_c& session) {
        for (int tick = 0; tick < 600 && !session.poll_worker(); ++tick)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }

    installer_context_c context(const fs::path& unpack_folder) {
        return installer_context_c{program_.wstring(), unpack_folder.wstring(), is_64bit_windows(), &launcher_,
                                   &disk_files()};
    }

    // Installs the package as the download page's set-up action does, for the devices whose
    // chosen offer it is.
    void install(download_session_c& session, const std::string& link, const std::vector<const driver_item_c*>& offers,
                 install_request_c request = {}) {
        request.link = link;
        for (const driver_item_c* offer : offers) request.inf_names.push_back(offer->inf_name);
        yes_gates_c gates;
        ASSERT_EQ(start_install(request, session, context(work_ / "downloads"), gates), install_start_c::started);
        for (int tick = 0; tick < 1800 && !session.install_job.worker.finished(); ++tick)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_TRUE(session.install_job.worker.finished());
        EXPECT_EQ(session.install_job.worker.result(), 0);
    }

    static bool windows10() { return os_version().major == 10; }

    std::vector<std::string> mirrors_;
    fs::path work_, program_;
    waiting_launcher_c launcher_;
};

}  // namespace

// A package whose models section names Windows 10 from build 17763 on is offered to a Windows 10
// PC of build 18362 and installs there; one that names build 99999 is offered to nobody, and
// Windows 7 is offered neither.
TEST_F(whole_loop, models_sections_for_a_windows_10_build_are_offered_as_windows_chooses_them) {
    device_store_c store;
    ASSERT_NO_FATAL_FAILURE(scan(store));
    const device_c* graphics = device_starting_with(store, integrated_graphics);
    ASSERT_TRUE(graphics);
    const driver_item_c* for_build = nullptr;
    for (const driver_item_c& item : graphics->items) {
        EXPECT_EQ(ends_of(item.link).find("-future-"), std::string::npos) << item.link;
        if (ends_of(item.link) == "intel-graphics-27.20.100.8681-win10-x64.zip") for_build = &item;
    }
    if (!windows10()) {
        EXPECT_EQ(for_build, nullptr);
        return;
    }
    ASSERT_NE(for_build, nullptr);
    ASSERT_EQ(graphics->latest_item(), for_build);
    const driver_item_c offer = *for_build;
    download_session_c* package = download(offer, false);
    ASSERT_NO_FATAL_FAILURE(install(*package, offer.link, {&offer}));
    const auto starts = launcher_.starts();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].exit_code, std::optional<std::uint32_t>(1)) << narrow(starts[0].parameters.c_str());
    device_store_c rescanned;
    ASSERT_NO_FATAL_FAILURE(scan(rescanned));
    const device_c* installed = device_starting_with(rescanned, integrated_graphics);
    ASSERT_TRUE(installed && installed->has_driver);
    EXPECT_STREQ(installed->driver_version, L"27.20.100.8681");
}

// On Windows 10 the chipset has two releases on offer. With A (10.1.17.3) installed from its
// package, installing B (10.1.18.2) backs A's package up from the driver store first; Undo puts A
// back, forced, and the rescan reads A again with B hidden, so "Download all" leaves it alone.
TEST_F(whole_loop, an_update_backs_up_the_driver_it_replaces_and_undo_puts_it_back) {
    if (!windows10()) GTEST_SKIP() << "only Windows 10 is offered two chipset releases";
    device_store_c store;
    ASSERT_NO_FATAL_FAILURE(scan(store));
    const device_c* lpc = device_starting_with(store, lpc_controller);
    ASSERT_TRUE(lpc);
    const driver_item_c *release_a = nullptr, *release_b = nullptr;
    for (const driver_item_c& item : lpc->items) {
        if (ends_of(item.link) == "intel-chipset-10.1.17.3-win7-x64.zip") release_a = &item;
        if (ends_of(item.link) == "intel-chipset-10.1.18.2-win8-x64.zip") release_b = &item;
    }
    ASSERT_TRUE(release_a && release_b);
    const driver_item_c offer_a = *release_a, offer_b = *release_b;
    // The simulated PC keeps no package of its drivers: A goes on without a backup.
    install_request_c without_backup;
    without_backup.back_up_first = false;
    ASSERT_NO_FATAL_FAILURE(install(*download(offer_a, false), offer_a.link, {&offer_a}, without_backup));

    device_store_c with_a;
    ASSERT_NO_FATAL_FAILURE(scan(with_a));
    std::vector<const device_c*> chipset;
    std::vector<std::wstring> instances;
    for (const wchar_t* id : chipset_devices) {
        const device_c* device = device_starting_with(with_a, id);
        ASSERT_TRUE(device && device->has_driver) << narrow(id);
        ASSERT_STREQ(device->driver_version, L"10.1.17.3") << narrow(id);
        chipset.push_back(device);
        instances.push_back(device->instance_path);
    }
    ASSERT_EQ(prepare_driver_store(os_version_number()), 0);
    // The index of a backup folder other than the settings' lies in it: where vantorel-cli looks.
    const fs::path backups = work_ / "backups", index_path = backups / "backup.xml";
    install_request_c backed_up;
    backed_up.offered_version = offer_b.version;
    backed_up.update_devices = update_devices_of(chipset);
    backed_up.back_up = update_backup_step({driver_store_location(), backups.wstring(), index_path.wstring(), today_local()});
    download_session_c* package_b = download(offer_b, false);
    std::vector<const driver_item_c*> offers_b(chipset.size(), &offer_b);
    ASSERT_NO_FATAL_FAILURE(install(*package_b, offer_b.link, offers_b, backed_up));
    const install_job_c& job = package_b->install_job;
    ASSERT_TRUE(job.backup_problem.empty()) << job.backup_problem;
    ASSERT_TRUE(job.report.installed) << job.report.problem << " " << int(job.report.started);
    EXPECT_EQ(job.report.installed->verdict, install_verdict_c::installed);
    const std::optional<driver_update_c> update = undoable_update(instances[0], program_.wstring());
    ASSERT_TRUE(update);
    EXPECT_EQ(update->previous_version, L"10.1.17.3");
    ASSERT_TRUE(fs::exists(backups / update->backup_archive));
    device_store_c with_b;
    ASSERT_NO_FATAL_FAILURE(scan(with_b));
    const device_c* updated = device_starting_with(with_b, lpc_controller);
    ASSERT_TRUE(updated);
    EXPECT_STREQ(updated->driver_version, L"10.1.18.2");

    // Undo, as the panel's menu starts it: one restore for the four devices of the package.
    const std::size_t starts = launcher_.starts().size();
    yes_gates_c gates;
    ASSERT_EQ(start_undo(instances, {program_.wstring(), backups.wstring(), index_path.wstring()}, *package_b,
                         context(backups), gates),
              install_start_c::started);
    for (int tick = 0; tick < 1800 && package_b->install_job.running.load(); ++tick)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(job.undo);
    EXPECT_EQ(job.undo->result, undo_result_c::undone) << job.undo->problem;
    EXPECT_TRUE(job.undo->from_backup);
    EXPECT_EQ(launcher_.starts().size(), starts + 1);
    for (const std::wstring& instance : instances) EXPECT_FALSE(undoable_update(instance, program_.wstring()));

    // The rescan reads A; B is hidden for every chipset device, in either mode of the page.
    device_store_c undone;
    ASSERT_NO_FATAL_FAILURE(scan(undone));
    for (const wchar_t* id : chipset_devices) {
        const device_c* device = device_starting_with(undone, id);
        ASSERT_TRUE(device && device->has_driver) << narrow(id);
        EXPECT_STREQ(device->driver_version, L"10.1.17.3") << narrow(id);
    }
    for (package_mode_c mode : {package_mode_c::best, package_mode_c::latest})
        for (const driver_group_c& group : build_driver_groups(undone, mode, std::wcscmp, false))
            EXPECT_NE(std::string(group.link), offer_b.link);

    // B once more, asked for by name: A's backup is there already, so no second archive; then
    // vantorel-cli undoes it for the LPC controller and the rescan reads A again.
    std::vector<const device_c*> again;
    for (const wchar_t* id : chipset_devices) again.push_back(device_starting_with(undone, id));
    backed_up.update_devices = update_devices_of(again);
    ASSERT_NO_FATAL_FAILURE(install(*package_b, offer_b.link, offers_b, backed_up));
    ASSERT_TRUE(job.report.installed);
    EXPECT_EQ(job.report.installed->verdict, install_verdict_c::installed);
    std::size_t archives = 0;
    for (const auto& entry : fs::directory_iterator(backups)) archives += entry.path().extension() == ".zip";
    EXPECT_EQ(archives, 1u);
    const std::optional<installer_run_c> cli = run_installer_program(
        L"vantorel-cli.exe", L"undo \"" + instances[0] + L"\" --folder " + quoted(backups) + L" --data-folder " + quoted(program_),
        300000);
    ASSERT_TRUE(cli);
    EXPECT_EQ(cli->exit_code, 0u) << cli->output;
    EXPECT_NE(cli->output.find("\"result\": \"undone\""), std::string::npos) << cli->output;
    EXPECT_FALSE(undoable_update(instances[0], program_.wstring()));
    device_store_c undone_again;
    ASSERT_NO_FATAL_FAILURE(scan(undone_again));
    const device_c* back = device_starting_with(undone_again, lpc_controller);
    ASSERT_TRUE(back);
    EXPECT_STREQ(back->driver_version, L"10.1.17.3");
    // The process's index belongs to this test's backup folder: the next test starts another.
    std::lock_guard<std::mutex> guard(backup_index_lock);
    backup_index.clear();
}

// Runs last: the test script checks the backup archive it leaves in the work folder.
TEST_F(whole_loop, scan_download_install_rescan_back_up_and_restore) {
    // Scan: the two devices and their offers.
    device_store_c store;
    ASSERT_NO_FATAL_FAILURE(scan(store));
    const device_c* xbox = device_starting_with(store, xbox_controller);
    const device_c* lpc = device_starting_with(store, lpc_controller);
    ASSERT_TRUE(xbox && lpc);
    ASSERT_FALSE(xbox->has_driver);
    ASSERT_TRUE(xbox->best_item() && xbox->best_is_update);
    ASSERT_TRUE(lpc->latest_item() && lpc->latest_is_update);
    const driver_item_c xbox_offer = *xbox->best_item();
    const driver_item_c chipset_offer = *lpc->latest_item();
    EXPECT_EQ(ends_of(xbox_offer.link), "xbox360-controller-2.1.0.1349-x64.zip");
    // Windows 10 is offered the release for Windows 8 and later too, which is newer.
    const chipset_release_c chipset =
        windows10() ? chipset_release_c{"intel-chipset-10.1.18.2-win8-x64.zip", L"10.1.18.2", L"2019-02-11"}
                    : chipset_release_c{"intel-chipset-10.1.17.3-win7-x64.zip", L"10.1.17.3", L"2018-09-24"};
    EXPECT_EQ(ends_of(chipset_offer.link), chipset.package);

    // Download both, the first paused and resumed on the way; install both.
    download_session_c* xbox_package = download(xbox_offer, true);
    download_session_c* chipset_package = download(chipset_offer, false);
    ASSERT_NO_FATAL_FAILURE(install(*xbox_package, xbox_offer.link, {&xbox_offer}));
    std::vector<const driver_item_c*> chipset_offers;
    for (const wchar_t* id : chipset_devices) {
        const device_c* device = device_starting_with(store, id);
        ASSERT_TRUE(device && device->latest_item()) << narrow(id);
        EXPECT_EQ(device->latest_item()->link, chipset_offer.link) << narrow(id);
        chipset_offers.push_back(device->latest_item());
    }
    ASSERT_NO_FATAL_FAILURE(install(*chipset_package, chipset_offer.link, chipset_offers));
    auto starts = launcher_.starts();
    ASSERT_EQ(starts.size(), 2u);
    for (const auto& start : starts) {
        EXPECT_EQ(fs::path(start.program).filename(), "DPInst64.exe");
        // Installed from the package's protected copy, checked again by the installer.
        EXPECT_EQ(start.parameters.rfind(L"/SH ", 0), 0u) << narrow(start.parameters.c_str());
        EXPECT_NE(start.parameters.find(L" /STAGE \""), std::wstring::npos) << narrow(start.parameters.c_str());
        // DPInst's exit code counts the packages installed in its lowest byte.
        EXPECT_EQ(start.exit_code, std::optional<std::uint32_t>(1)) << narrow(start.parameters.c_str());
    }
    EXPECT_EQ(file_lines(program_ / "setup.dat"), (std::vector<std::string>{xbox_offer.link, chipset_offer.link}));

    // Rescan: the drivers read back through SetupAPI are the packages'; nothing installed is an
    // update any more, even judged without "setup.dat".
    device_store_c rescanned;
    ASSERT_NO_FATAL_FAILURE(scan(rescanned));
    const matching_context_c without_links{os_version_number(), nullptr};
    auto expect_driver = [&](const wchar_t* id, const wchar_t* version, const wchar_t* date) {
        const device_c* device = device_starting_with(rescanned, id);
        ASSERT_TRUE(device && device->has_driver) << narrow(id);
        EXPECT_STREQ(device->driver_version, version) << narrow(id);
        EXPECT_STREQ(device->driver_date, date) << narrow(id);
        EXPECT_EQ(std::wstring(device->inf_path).rfind(L"oem", 0), 0u) << narrow(id);
        EXPECT_FALSE(device->best_is_update || device->latest_is_update) << narrow(id);
        device_c judged = *device;
        choose_items(without_links, judged);
        EXPECT_FALSE(judged.best_is_update || judged.latest_is_update) << narrow(id);
    };
    expect_driver(xbox_controller, L"2.1.0.1349", L"2009-08-13");
    for (const wchar_t* id : chipset_devices) expect_driver(id, chipset.version, chipset.date);
    const device_c* graphics = device_starting_with(rescanned, graphics_card);
    ASSERT_TRUE(graphics);
    EXPECT_TRUE(graphics->latest_is_update);
    const device_c* installed_xbox = device_starting_with(rescanned, xbox_controller);
    ASSERT_TRUE(installed_xbox && installed_xbox->has_driver);
    const std::wstring installed_inf = installed_xbox->inf_path;
    const std::wstring xbox_path = installed_xbox->instance_path;

    // Back up the controller's package from the driver store: one archive, one index entry.
    ASSERT_EQ(prepare_driver_store(os_version_number()), 0);
    const auto candidates = build_backup_candidates(rescanned, driver_store_location(), os_version_number());
    const backup_candidate_c* candidate = nullptr;
    for (const auto& c : candidates)
        for (const device_c* device : c.devices)
            if (device == installed_xbox) candidate = &c;
    ASSERT_NE(candidate, nullptr);
    EXPECT_FALSE(candidate->inbox);
    const fs::path backups = work_ / "backups", index_path = program_ / "backup.xml";
    auto job = make_backup_job({candidate}, driver_store_location(), backups.wstring(), index_path.wstring(),
                               today_local());
    ASSERT_EQ(run_backup_job(*job), 0);
    ASSERT_EQ(job->archives.size(), 1u);
    const fs::path archive = job->archives.front();
    zip_reader_c reader;
    ASSERT_TRUE(reader.open_archive(archive.wstring()));
    const fs::path listed = work_ / "archive-content";
    ASSERT_EQ(reader.extract_all(listed.wstring()), 0) << reader.problem();
    reader.close_archive();
    for (const char* name : {"xbox360.sys", "xbox360.cat"}) EXPECT_TRUE(fs::exists(listed / name)) << name;
    backup_index_c index;
    ASSERT_EQ(load_backup_index(index, index_path.wstring(), backups.wstring(), rescanned).result, 0);
    ASSERT_EQ(index.size(), 1u);
    EXPECT_EQ(fs::path(ansi_to_wide(index[0].file_name)), archive.filename());
    // The simulated PC's drivers name INF files that were never published: a package published
    // later (after the Windows 10 test's installations) may get the name one of them gives, and
    // that device then counts among the package's.
    const backup_device_c* listed_xbox = nullptr;
    for (const backup_device_c& device : index[0].devices)
        if (device.id == xbox_path) listed_xbox = &device;
    ASSERT_NE(listed_xbox, nullptr);
    EXPECT_STREQ(listed_xbox->version, L"2.1.0.1349");
    EXPECT_EQ(listed_xbox->name, installed_inf);

    // Restore it, forced: the installer runs again and the device keeps the package's driver.
    ASSERT_EQ(restore_backup(archive.filename().wstring(), backups.wstring(), context(backups)), 0);
    starts = launcher_.starts();
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_EQ(starts[2].parameters.rfind(L"/SH /F /STAGE \"" + (backups / archive.filename()).wstring() + L"\" /SHA256 ", 0), 0u)
        << narrow(starts[2].parameters.c_str());
    EXPECT_EQ(starts[2].exit_code, std::optional<std::uint32_t>(1));
    EXPECT_EQ(driver_key_value(xbox_instance_id, L"InfPath"), installed_inf);
    EXPECT_EQ(driver_key_value(xbox_instance_id, L"DriverVersion"), L"2.1.0.1349");
}
