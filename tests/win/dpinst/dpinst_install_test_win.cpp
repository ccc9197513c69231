// The installers under Windows (Wine in the test runs): packages written by the tests installed
// onto the simulated PC's devices by DPInst64.exe, started as the program starts it. The cases
// run in order on one registered simulated PC, each on a device of its own.
#include "common/sha256.h"
#include "common/text_convert.h"
#include "common/wine_detection_win.h"
#include "devices/driver_rank_wine_win.h"
#include "devices/driver_store_map_win.h"
#include "devices/inf_models_win.h"
#include "devices/device_store.h"
#include "devices/system_source.h"
#include "dpinst/device_list_win.h"
#include "dpinst/install_tally.h"
#include "dpinst/package_install_win.h"
#include "download/protected_folder_win.h"
#include "tests/unit/test_zip.h"
#include "tests/win/dpinst/installer_process_win.h"
#include "tests/win/dpinst/test_package.h"
#include "tests/tools/simulated_pc/profile_registration_win.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <vector>

namespace {

namespace fs = std::filesystem;

const wchar_t intel_ethernet[] = L"PCI\\VEN_8086&DEV_15BC&SUBSYS_86721043&REV_10\\3&11583659&0&FE";
const wchar_t intel_wireless[] = L"PCI\\VEN_8086&DEV_A370&SUBSYS_00348086&REV_10\\3&11583659&0&A3";
const wchar_t lpc_controller[] = L"PCI\\VEN_8086&DEV_A305&SUBSYS_86941043&REV_10\\3&11583659&0&F8";
const wchar_t realtek_audio[] = L"HDAUDIO\\FUNC_01&VEN_10EC&DEV_1220&SUBSYS_10438694&REV_1001\\4&2E7F3A1&0&0001";

// The system source as the program makes it, with the installed driver's rank read from its INF
// under Wine (where the system source's own driver-list call would end the process).
class wine_ranked_source_c : public device_source_c {
public:
    wine_ranked_source_c() : inner_(make_system_device_source()) {}
    bool build_class_list(std::vector<device_class_c>& classes) override { return inner_->build_class_list(classes); }
    bool read_class_name(device_class_c& device_class) override { return inner_->read_class_name(device_class); }
    bool open_devices(bool include_absent) override { return inner_->open_devices(include_absent); }
    device_step_c select_device(std::int32_t index) override { return inner_->select_device(index); }
    void close_devices() override { inner_->close_devices(); }
    std::optional<std::wstring> read_instance_id() override { return inner_->read_instance_id(); }
    std::optional<std::wstring> read_text_property(device_property_c p) override { return inner_->read_text_property(p); }
    std::optional<std::wstring> read_multi_string_property(device_property_c p) override {
        return inner_->read_multi_string_property(p);
    }
    bool open_driver_key() override { return inner_->open_driver_key(); }
    std::optional<std::wstring> read_driver_value(const wchar_t* name) override { return inner_->read_driver_value(name); }
    void close_driver_key() override { inner_->close_driver_key(); }
    bool read_status_known() override { return inner_->read_status_known(); }
    bool read_driver_rank(const device_c& record, std::uint32_t& rank) override {
        if (!running_on_wine()) return inner_->read_driver_rank(record, rank);
        auto id = inner_->read_instance_id();
        return id && read_installed_driver_rank_from_inf(id->c_str(), record.inf_path, rank);
    }

private:
    std::unique_ptr<device_source_c> inner_;
};

std::wstring instance_path(const wchar_t* instance_id) {
    std::wstring id = instance_id;
    return id.substr(0, id.find_last_of(L'\\'));
}

// The INF files published in the system's INF folder.
std::set<std::wstring> published_infs() {
    std::set<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(windows_folder() / "inf"))
        if (entry.path().extension() == ".inf") names.insert(entry.path().filename().wstring());
    return names;
}

std::wstring newly_published(const std::set<std::wstring>& before) {
    std::wstring found;
    for (const auto& name : published_infs())
        if (!before.count(name)) found = name;
    return found;
}

class dpinst_install_test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        device_profile_c profile;
        std::string error;
        ASSERT_TRUE(load_device_profile(VANTOREL_SOURCE_DIR "/tests/tools/simulated_pc/simulated-pc.json", profile, error))
            << error;
        ASSERT_EQ(register_device_profile(profile), 0);
    }

    static std::uint32_t run(const std::wstring& switches, const fs::path& folder) {
        auto result = run_installer_program(L"DPInst64.exe", switches + L" /PATH " + quoted(folder));
        EXPECT_TRUE(result) << "DPInst64.exe did not start or did not end";
        return result ? result->exit_code : 0xFFFFFFFFu;
    }
};

}  // namespace

TEST_F(dpinst_install_test, a_newer_package_installs_completes_the_driver_key_and_is_kept_in_the_store) {
    fs::path folder = fresh_package_folder("newer");
    fs::path inf = write_test_package(folder, test_package_c{});
    auto log_start = log_size();
    EXPECT_EQ(run(L"/S /SH", folder), 0x00000001u);

    std::wstring published = driver_key_value(intel_ethernet, L"InfPath");
    ASSERT_FALSE(published.empty());
    std::string published_text = file_bytes(windows_folder() / "inf" / published);
    // Under Wine the published INF names the section Windows chose in a way Wine finds.
    if (!running_on_wine()) {
        EXPECT_EQ(published_text, file_bytes(inf));
    }
    EXPECT_EQ(driver_key_value(intel_ethernet, L"DriverVersion"), L"12.19.1.1");
    EXPECT_EQ(driver_key_value(intel_ethernet, L"DriverDate"), L"5-1-2021");
    EXPECT_EQ(driver_key_value(intel_ethernet, L"DriverDesc"), L"Vantorel Test Network Adapter");
    EXPECT_EQ(driver_key_value(intel_ethernet, L"ProviderName"), L"Vantorel Test");
    EXPECT_EQ(driver_key_value(intel_ethernet, L"MatchingDeviceId"), L"pci\\ven_8086&dev_15bc&subsys_86721043");
    std::string log = log_since(log_start);
    EXPECT_NE(log.find("Installed "), std::string::npos) << log;
    EXPECT_NE(log.find("exit code 0x00000001"), std::string::npos) << log;

    if (running_on_wine()) {
        // Wine keeps no driver store of its own: the installer's copy stands in for it.
        auto store_folder = recorded_store_folder(published);
        ASSERT_TRUE(store_folder);
        EXPECT_EQ(store_folder->rfind(L"vtnet.inf_amd64_", 0), 0u) << *store_folder;
        fs::path store = fs::path(driver_store_root()) / *store_folder;
        EXPECT_EQ(file_bytes(store / "vtnet.inf"), published_text);
        EXPECT_TRUE(fs::exists(store / "vtnet.cat"));
        EXPECT_TRUE(fs::exists(store / "drivers" / "vtnet.sys"));
    }

    // A rescan through the program's own enumeration sees the new driver, with a rank: signed,
    // no feature score, the device's second hardware ID.
    device_store_c devices;
    enumeration_progress_c progress;
    progress.include_absent = 1;
    wine_ranked_source_c source;
    ASSERT_EQ(enumerate_devices(devices, source, progress), failure_code_c::none);
    const device_c* record = find_device(devices, instance_path(intel_ethernet).c_str());
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(record->has_driver);
    EXPECT_EQ(std::wstring(record->driver_version), L"12.19.1.1");
    EXPECT_EQ(std::wstring(record->driver_date), L"2021-05-01");
    EXPECT_EQ(std::wstring(record->inf_path), published);
    EXPECT_EQ(record->driver_rank, 0x00FF0001u);

    // The same package again is not newer; with /F it is installed anyway.
    EXPECT_EQ(run(L"/S /SH", folder), 0x00000100u);
    EXPECT_EQ(driver_key_value(intel_ethernet, L"InfPath"), published);
    EXPECT_EQ(run(L"/S /SH /F", folder), 0x00000001u);
}

TEST_F(dpinst_install_test, an_older_package_is_only_staged_unless_forced) {
    test_package_c older;
    older.inf_name = "vtwifi.inf";
    older.hardware_id = "PCI\\VEN_8086&DEV_A370&SUBSYS_00348086";
    older.driver_ver = "01/01/2019,21.0.0.0";
    older.description = "Vantorel Test Wireless";
    fs::path folder = fresh_package_folder("older");
    write_test_package(folder, older);

    EXPECT_EQ(run(L"/S /SH", folder), 0x00000100u);
    EXPECT_EQ(driver_key_value(intel_wireless, L"InfPath"), L"oem18.inf");
    EXPECT_EQ(driver_key_value(intel_wireless, L"DriverVersion"), L"21.40.0.5");
    EXPECT_EQ(driver_key_value(intel_wireless, L"DriverDate"), L"9-12-2019");

    EXPECT_EQ(run(L"/S /SH /F", folder), 0x00000001u);
    EXPECT_NE(driver_key_value(intel_wireless, L"InfPath"), L"oem18.inf");
    EXPECT_EQ(driver_key_value(intel_wireless, L"DriverVersion"), L"21.0.0.0");
    EXPECT_EQ(driver_key_value(intel_wireless, L"DriverDate"), L"1-1-2019");
}

TEST_F(dpinst_install_test, a_package_matching_only_a_compatible_id_installs_with_that_rank) {
    test_package_c chipset;
    chipset.inf_name = "vtchip.inf";
    chipset.device_class = "System";
    chipset.class_guid = "{4d36e97d-e325-11ce-bfc1-08002be10318}";
    chipset.hardware_id = "PCI\\VEN_8086&DEV_A305";
    chipset.driver_ver = "06/01/2020,10.1.20.1";
    chipset.description = "Vantorel Test LPC Controller";
    fs::path folder = fresh_package_folder("compatible-id");
    write_test_package(folder, chipset);

    EXPECT_EQ(run(L"/S /SH", folder), 0x00000001u);
    std::wstring published = driver_key_value(lpc_controller, L"InfPath");
    EXPECT_NE(published, L"oem7.inf");
    EXPECT_EQ(driver_key_value(lpc_controller, L"MatchingDeviceId"), L"pci\\ven_8086&dev_a305");
    if (running_on_wine()) {
        // Signed, no feature score, the device's second compatible ID.
        std::uint32_t rank = 0;
        ASSERT_TRUE(read_installed_driver_rank_from_inf(lpc_controller, published.c_str(), rank));
        EXPECT_EQ(rank, 0x00FF2001u);
    }
}

TEST_F(dpinst_install_test, a_missing_source_file_fails_within_seconds_and_stages_nothing) {
    test_package_c broken;
    broken.inf_name = "vtaudio.inf";
    broken.device_class = "MEDIA";
    broken.class_guid = "{4d36e96c-e325-11ce-bfc1-08002be10318}";
    broken.hardware_id = "HDAUDIO\\FUNC_01&VEN_10EC&DEV_1220&SUBSYS_10438694";
    broken.driver_ver = "02/03/2022,6.1.0.0";
    broken.driver_file_present = false;
    fs::path folder = fresh_package_folder("missing-source");
    write_test_package(folder, broken);
    auto before = published_infs();

    auto result = run_installer_program(L"DPInst64.exe", L"/S /SH /PATH " + quoted(folder), 60000);
    ASSERT_TRUE(result) << "the installer hung";
    EXPECT_EQ(result->exit_code, 0x80010000u);
    EXPECT_LT(result->milliseconds, 20000u);
    EXPECT_EQ(driver_key_value(realtek_audio, L"InfPath"), L"oem14.inf");
    EXPECT_EQ(published_infs(), before);
}

TEST_F(dpinst_install_test, a_missing_catalog_fails_without_legacy_mode_and_installs_with_it) {
    test_package_c unsigned_package;
    unsigned_package.inf_name = "vtaudio.inf";
    unsigned_package.device_class = "MEDIA";
    unsigned_package.class_guid = "{4d36e96c-e325-11ce-bfc1-08002be10318}";
    unsigned_package.hardware_id = "HDAUDIO\\FUNC_01&VEN_10EC&DEV_1220&SUBSYS_10438694";
    unsigned_package.driver_ver = "02/03/2022,6.1.0.0";
    unsigned_package.catalog_present = false;
    fs::path folder = fresh_package_folder("missing-catalog");
    write_test_package(folder, unsigned_package);
    auto before = published_infs();

    EXPECT_EQ(run(L"/S /SH", folder), 0x80010000u);
    EXPECT_EQ(driver_key_value(realtek_audio, L"InfPath"), L"oem14.inf");
    EXPECT_EQ(published_infs(), before);

    EXPECT_EQ(run(L"/S /SH /LM", folder), 0x00000001u);
    std::wstring published = driver_key_value(realtek_audio, L"InfPath");
    EXPECT_NE(published, L"oem14.inf");
    EXPECT_EQ(driver_key_value(realtek_audio, L"DriverVersion"), L"6.1.0.0");
    if (running_on_wine()) {
        // Unsigned, installed by a section decorated for NT, the device's second hardware ID.
        std::uint32_t rank = 0;
        ASSERT_TRUE(read_installed_driver_rank_from_inf(realtek_audio, published.c_str(), rank));
        EXPECT_EQ(rank, 0x80FF0001u);
    }
}

TEST_F(dpinst_install_test, a_package_for_no_present_device_is_skipped_with_sh_staged_without_and_removed_with_u) {
    test_package_c nobody;
    nobody.inf_name = "vtnone.inf";
    nobody.hardware_id = "PCI\\VEN_1234&DEV_5678";
    fs::path folder = fresh_package_folder("no-device");
    fs::path inf = write_test_package(folder, nobody);
    auto before = published_infs();

    EXPECT_EQ(run(L"/S /SH", folder), 0x00000000u);
    EXPECT_EQ(published_infs(), before);

    EXPECT_EQ(run(L"/S", folder), 0x00000100u);
    std::wstring published = newly_published(before);
    ASSERT_NE(published, L"");
    auto store_folder = recorded_store_folder(published);
    if (running_on_wine()) {
        ASSERT_TRUE(store_folder);
    }

    auto removed = run_installer_program(L"DPInst64.exe", L"/S /U " + quoted(inf));
    ASSERT_TRUE(removed);
    EXPECT_EQ(removed->exit_code, 0x00000000u);
    EXPECT_FALSE(fs::exists(windows_folder() / "inf" / published));
    EXPECT_FALSE(recorded_store_folder(published));
    if (store_folder) {
        EXPECT_FALSE(fs::exists(fs::path(driver_store_root()) / *store_folder));
    }

    auto again = run_installer_program(L"DPInst64.exe", L"/S /U " + published);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->exit_code, 0x80010000u);
}

namespace {

// A zip archive of everything below the folder, names relative to it.
std::string zip_of(const fs::path& folder, const fs::path& archive) {
    std::vector<test_zip_entry_c> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            entries.push_back({fs::relative(entry.path(), folder).generic_string(), file_bytes(entry.path())});
    EXPECT_TRUE(write_test_zip(archive.string(), entries));
    return file_bytes(archive);
}

}  // namespace

// /STAGE: the program gives the package as it lies in the user's download folder, with the digest
// it checked; the installer copies it into its protected folder and installs from the copy only.
TEST_F(dpinst_install_test, a_package_installs_from_its_checked_copy_and_one_swapped_after_the_check_is_refused) {
    test_package_c newer;
    newer.driver_ver = "06/01/2023,13.0.0.0";
    test_package_c other = newer;
    other.driver_ver = "07/01/2023,14.0.0.0";
    const fs::path folder = fresh_package_folder("staged");
    write_test_package(folder / "checked", newer);
    write_test_package(folder / "swapped", other);
    const fs::path package = folder / "package.zip";
    const std::string checked = zip_of(folder / "checked", package);
    zip_of(folder / "swapped", package);
    const std::wstring switches =
        L"/S /SH /STAGE " + quoted(package) + L" /SHA256 " + utf8_to_wide(digest_hex(sha256_of(checked)));
    auto before = published_infs();

    auto start = log_size();
    auto swapped = run_installer_program(L"DPInst64.exe", switches);
    ASSERT_TRUE(swapped);
    EXPECT_EQ(swapped->exit_code, 0x80000000u);
    EXPECT_NE(log_since(start).find("is not the one that was offered"), std::string::npos) << log_since(start);
    EXPECT_EQ(published_infs(), before);

    std::ofstream(package, std::ios::binary | std::ios::trunc) << checked;
    auto installed = run_installer_program(L"DPInst64.exe", switches);
    ASSERT_TRUE(installed);
    EXPECT_EQ(installed->exit_code, 0x00000001u);
    EXPECT_EQ(driver_key_value(intel_ethernet, L"DriverVersion"), L"13.0.0.0");
    // The copy goes with the run.
    EXPECT_TRUE(fs::is_empty(fs::path(staging_root())));
}

// Windows' own refusals, which Wine never gives, through the installer's seams: a package Windows
// judges no better match than the driver in use is staged, not failed; a driver the device does
// not run (Code 52) is no installation.
TEST_F(dpinst_install_test, windows_judging_the_installed_driver_better_and_a_device_problem_are_told_as_such) {
    test_package_c newest;
    newest.driver_ver = "08/01/2024,20.0.0.0";
    const fs::path folder = fresh_package_folder("judged");
    const fs::path inf = write_test_package(folder, newest);
    install_context_c context;
    context.options.silent = true;
    context.options.present_devices_only = true;
    context.platform = running_platform();
    context.devices = read_present_devices();
    context.time_limit_ms = 2 * 60 * 1000;

    context.update_devices = [](const std::wstring&, const std::wstring&, bool, bool non_interactive, DWORD) {
        EXPECT_TRUE(non_interactive) << "a silent run lets Windows ask nothing";
        return device_update_result_c{device_update_c::not_better, ERROR_NO_MORE_ITEMS, false};
    };
    package_result_c judged = install_package(inf.wstring(), context);
    EXPECT_EQ(judged.outcome, package_outcome_c::staged_only) << wide_to_utf8(judged.reason);
    EXPECT_TRUE(judged.failed_on.empty());
    EXPECT_NE(judged.reason.find(L"Windows judged the installed driver a better match on 1 device"), std::wstring::npos)
        << wide_to_utf8(judged.reason);
    install_tally_c tally;
    tally.add(judged.outcome);
    EXPECT_EQ(tally.exit_code(), 0x00000100u);

    context.update_devices = update_devices_with_id;
    context.device_problem = [](const std::wstring&) { return std::uint32_t(52); };
    package_result_c refused = install_package(inf.wstring(), context);
    EXPECT_EQ(refused.outcome, package_outcome_c::failed);
    EXPECT_NE(refused.reason.find(L"problem code 52: Windows cannot verify the digital signature of its driver"),
              std::wstring::npos)
        << wide_to_utf8(refused.reason);
}
