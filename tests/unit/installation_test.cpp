// Installing a downloaded package: which installer is started, on which folder, and the job's
// gates, "setup.dat" and running flag with real packages on disk.
#include "common/file_digest.h"
#include "common/file_open.h"
#include "common/path_join.h"
#include "common/text_convert.h"
#include "download/start_install.h"
#include "service/installed_links.h"
#include "tests/unit/recording_launcher.h"
#include "tests/unit/test_files.h"
#include "tests/unit/test_zip.h"
#include "tests/unit/thread_start_fault.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>
#include <tuple>

namespace fs = std::filesystem;

namespace {

// Unpacked files as a test describes them: paths relative to the folder "F".
class fake_files_c final : public unpacked_files_c {
public:
    std::set<std::wstring> folders, files;
    std::map<std::wstring, std::vector<std::wstring>> programs;

    bool is_directory(const std::wstring& path) const override { return folders.count(trimmed(path)) > 0; }
    bool file_exists(const std::wstring& path) const override { return files.count(path) > 0; }
    std::vector<std::wstring> programs_in(const std::wstring& folder) const override {
        auto found = programs.find(folder);
        return found == programs.end() ? std::vector<std::wstring>{} : found->second;
    }
    void remove_pages(const std::wstring&) const override {}

private:
    static std::wstring trimmed(std::wstring path) {
        while (path.size() > 1 && path.back() == path_separator) path.pop_back();
        return path;
    }
};

std::wstring at(const std::wstring& relative) { return join_relative(L"F", relative); }

// (A function: the hasher's own statics may not be ready while this file's are made.)
sha256_digest_c package_digest() { return sha256_of("package"); }

// What the elevated installer is told after the switches for what to do: the package and its digest.
std::wstring staged(const std::wstring& package, const sha256_digest_c& digest) {
    return L" /STAGE \"" + package + L"\" /SHA256 " + utf8_to_wide(digest_hex(digest));
}

class installer_choice_test : public ::testing::Test {
protected:
    installer_context_c context(bool is_64bit = true) {
        installer_context_c c;
        c.program_folder = L"P";
        c.download_folder = L"D";
        c.is_64bit_windows = is_64bit;
        c.launcher = &launcher_;
        c.files = &files_;
        c.package_path = L"D\\pkg.zip";
        c.package_sha256 = package_digest();
        c.unpacked_folder = L"F";
        return c;
    }
    std::vector<std::wstring> choose(const std::set<std::wstring>& inf_paths, bool is_64bit = true) {
        choose_installer(L"F", inf_paths, context(is_64bit));
        return launcher_.started();
    }
    static std::wstring dpinst(const wchar_t* program, const std::wstring& parameters) {
        return L"runas " + join_path(L"P", program) + L" " + parameters + staged(L"D\\pkg.zip", package_digest());
    }

    fake_files_c files_;
    recording_launcher_c launcher_;
};

}  // namespace

TEST_F(installer_choice_test, the_driver_installer_gets_the_common_folder_of_the_offered_infs) {
    files_.folders = {at(L"drv\\x64"), L"F"};
    files_.files = {at(L"drv\\x64\\b.inf"), at(L"root.inf")};
    // The folder's place inside the package, which the installer takes from its protected copy.
    EXPECT_EQ(choose({L"drv\\x64\\a.inf", L"drv\\x64\\b.inf"}),
              (std::vector<std::wstring>{dpinst(L"DPInst64.exe", L"/SH /PATH \"" + join_relative(L"drv", L"x64") + L"\"")}));
    // An INF at the package's root: the package's root, and the 32-bit installer on 32-bit Windows.
    EXPECT_EQ(choose({L"root.inf"}, false).back(), dpinst(L"DPInst32.exe", L"/SH"));
    EXPECT_EQ(run_driver_installer(at(L"drv\\"), true, context()), launch_result_c::started);
    EXPECT_EQ(launcher_.started().back(), dpinst(L"DPInst64.exe", L"/SH /F /PATH \"drv\""));
    installer_context_c silent = context();
    silent.silent = true;
    run_driver_installer(L"F", false, silent);
    EXPECT_EQ(launcher_.started().back(), dpinst(L"DPInst64.exe", L"/S /SH"));
    // Nothing outside the unpacked folder is given to the installer.
    EXPECT_EQ(run_driver_installer(L"G", false, context()), launch_result_c::failed);
    EXPECT_EQ(common_inf_folder({L"a\\b\\c\\x.inf", L"a\\b\\d.inf", L"a\\bc\\e.inf"}), std::wstring(L"a\\"));
    EXPECT_EQ(common_inf_folder({L"x.inf", L"y.inf"}), std::nullopt);
}

TEST_F(installer_choice_test, without_the_infs_a_setup_program_is_looked_for_upwards) {
    files_.folders = {at(L"a\\b"), at(L"a"), L"F", at(L"c")};
    files_.programs[L"F"] = {L"readme.exe", L"Setup.EXE"};
    EXPECT_EQ(choose({L"drv\\x.inf"}), (std::vector<std::wstring>{dpinst(L"DPInst64.exe", L"/RUN \"Setup.EXE\"")}));

    files_.programs[L"F"] = {L"readme.exe"};
    EXPECT_EQ(choose({}).back(), dpinst(L"DPInst64.exe", L"/RUN \"readme.exe\""));

    // Tried in a\b, then a, then the unpack folder; a sibling folder c never.
    files_.programs = {{at(L"c"), {L"setup.exe"}}, {L"F", {L"one.exe", L"two.exe"}}};
    EXPECT_EQ(choose({L"a\\b\\x.inf", L"a\\b\\y.inf"}).back(), L"open F");
    files_.programs[at(L"a")] = {L"autorun.exe", L"setup.exe"};
    EXPECT_EQ(choose({L"a\\b\\x.inf", L"a\\b\\y.inf"}).back(),
              dpinst(L"DPInst64.exe", L"/RUN \"" + join_relative(L"a", L"autorun.exe") + L"\""));
}

TEST_F(installer_choice_test, an_arm64_machine_gets_the_unpacked_folder_and_no_installer) {
    files_.folders = {L"F", at(L"drv")};
    files_.files = {at(L"drv\\a.inf")};
    files_.programs[L"F"] = {L"setup.exe"};
    installer_context_c arm64 = context();
    arm64.arm64_machine = true;
    EXPECT_EQ(choose_installer(L"F", {L"drv\\a.inf"}, arm64), program_start_c::none_found);
    EXPECT_EQ(launcher_.started(), (std::vector<std::wstring>{L"open F"}));
}

TEST_F(installer_choice_test, inf_paths_that_leave_the_package_count_as_absent) {
    files_.folders = {L"F", at(L"drv")};
    files_.files = {at(L"drv\\a.inf")};
    files_.programs[L"F"] = {L"setup.exe"};
    for (const wchar_t* hostile : {L"..\\..\\other\\drv\\a.inf", L"C:\\drv\\a.inf", L"\\drv\\a.inf", L"drv\\.\\a.inf"})
        EXPECT_EQ(choose({hostile}).back(), dpinst(L"DPInst64.exe", L"/RUN \"setup.exe\"")) << wide_to_utf8(hostile);
}

namespace {

class always_gates_c final : public install_gates_c {
public:
    bool agree = true, administrator = true;
    int told = 0;
    bool confirm_none_needed() override { return agree; }
    bool user_is_administrator() override { return administrator; }
    void tell_administrator_required() override { ++told; }
};

}  // namespace

TEST(start_install, gates_setup_dat_and_one_installation_at_a_time) {
    scratch_folder_c scratch;
    const fs::path downloads = scratch.path() / "down loads";
    fs::create_directories(downloads);
    const std::wstring download_folder = utf8_to_wide(downloads.u8string());
    const std::wstring program_folder = utf8_to_wide(scratch.path().u8string());
    const std::string link = "http://127.0.0.1/pkg.zip";
    download_session_c& session = *get_download_session(link, 1, download_folder);
    ASSERT_TRUE(write_test_zip(wide_to_utf8(session.final_path),
                               {{"drv/x64/a.inf", "[Version]"}, {"drv/x64/a.sys", "driver"}, {"readme.htm", "<p>"}}));
    session.state = download_state_c::complete;

    recording_launcher_c launcher;
    installer_context_c context{program_folder, download_folder, true, &launcher, &disk_files()};
    always_gates_c gates;
    install_request_c request{link, {L"drv\\x64\\a.inf", L"drv\\x64\\a.inf"}, true};

    gates.agree = false;
    EXPECT_EQ(start_install(request, session, context, gates), install_start_c::declined);
    gates.agree = true;
    gates.administrator = false;
    EXPECT_EQ(start_install(request, session, context, gates), install_start_c::not_administrator);
    EXPECT_EQ(gates.told, 1);
    EXPECT_FALSE(fs::exists(scratch.path() / "setup.dat"));

    gates.administrator = true;
    launcher.hold();
    ASSERT_EQ(start_install(request, session, context, gates), install_start_c::started);
    // A page rebuilt meanwhile finds the running job through the session.
    EXPECT_EQ(start_install(request, *get_download_session(link, 1, download_folder), context, gates),
              install_start_c::already_running);
    launcher.release();
    for (int i = 0; i < 500 && session.install_job.running.load(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(session.install_job.running.load(), 0);

    const std::wstring unpacked = session.install_job.report.folder;
    EXPECT_EQ(unpacked, join_path(download_folder, fs::u8path(wide_to_utf8(session.final_path)).stem().wstring()));
    EXPECT_EQ(launcher.started(),
              (std::vector<std::wstring>{L"runas " + join_path(program_folder, L"DPInst64.exe") + L" /SH /PATH \"" +
                                         join_relative(L"drv", L"x64") + L"\"" +
                                         staged(session.final_path, *file_sha256(session.final_path))}));
    EXPECT_TRUE(file_exists(join_relative(unpacked, L"drv/x64/a.sys")));
    EXPECT_FALSE(file_exists(join_relative(unpacked, L"readme.htm")));
    EXPECT_EQ(bytes_of(scratch.path() / "setup.dat"), link + "\n");

    // A link with a line break would read back as two links: it is not written.
    EXPECT_FALSE(append_installed_link(installed_links_path(program_folder), "http://a/x.zip\nhttp://b/y.zip"));
    EXPECT_EQ(bytes_of(scratch.path() / "setup.dat"), link + "\n");
    download_sessions.clear();
}

namespace {

// Runs one installation of the session's package to its end.
install_start_c install_and_wait(download_session_c& session, const installer_context_c& context,
                               const install_request_c& request) {
    always_gates_c gates;
    const install_start_c started = start_install(request, session, context, gates);
    for (int i = 0; i < 500 && session.install_job.running.load(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return started;
}

install_start_c install_and_wait(download_session_c& session, const installer_context_c& context,
                               const std::string& link) {
    return install_and_wait(session, context, install_request_c{link, {L"drv\\a.inf"}, false});
}

// One complete download of a package in a scratch folder, and a context whose installers are
// recorded, not started.
struct downloaded_package_c {
    downloaded_package_c(const std::string& link, const std::vector<test_zip_entry_c>& entries)
        : session(*get_download_session(link, 1, folder)) {
        session.state = download_state_c::complete;
        EXPECT_TRUE(write_test_zip(wide_to_utf8(session.final_path), entries));
    }
    ~downloaded_package_c() { download_sessions.clear(); }

    scratch_folder_c scratch;
    const std::wstring folder = utf8_to_wide(scratch.path().u8string());
    recording_launcher_c launcher;
    const installer_context_c context{folder, folder, false, &launcher, &disk_files()};
    download_session_c& session;
};

}  // namespace

TEST(start_install, every_unpacking_is_new_and_whole_and_only_a_started_installer_is_remembered) {
    scratch_folder_c scratch;
    const std::wstring folder = utf8_to_wide(scratch.path().u8string());
    const std::string link = "http://127.0.0.1/driver.zip";
    download_session_c& session = *get_download_session(link, 1, folder);
    session.state = download_state_c::complete;
    recording_launcher_c launcher;
    const installer_context_c context{folder, folder, false, &launcher, &disk_files()};
    const fs::path package = fs::u8path(wide_to_utf8(session.final_path));

    ASSERT_TRUE(write_test_zip(package.string(), {{"drv/a.inf", "[old]"}, {"drv/old.sys", "old"}}));
    ASSERT_EQ(install_and_wait(session, context, link), install_start_c::started);
    const std::wstring first = session.install_job.report.folder;

    // A newer package of the same name never mixes with the first one's files.
    ASSERT_TRUE(write_test_zip(package.string(), {{"drv/a.inf", "[new]"}, {"drv/new.sys", "new"}}));
    ASSERT_EQ(install_and_wait(session, context, link), install_start_c::started);
    const std::wstring second = session.install_job.report.folder;
    EXPECT_EQ(second, first + L"-2");
    EXPECT_EQ(bytes_of(fs::u8path(wide_to_utf8(join_relative(second, L"drv/a.inf")))), "[new]");
    EXPECT_FALSE(file_exists(join_relative(second, L"drv/old.sys")));
    EXPECT_EQ(bytes_of(fs::u8path(wide_to_utf8(join_relative(first, L"drv/a.inf")))), "[old]");
    EXPECT_EQ(launcher.started().back(), L"runas " + join_path(folder, L"DPInst32.exe") + L" /SH /PATH \"drv\"" +
                                             staged(session.final_path, *file_sha256(session.final_path)));
    EXPECT_EQ(bytes_of(scratch.path() / "setup.dat"), link + "\n" + link + "\n");

    // A damaged entry: nothing is started, no half folder stays, and the package is offered again.
    ASSERT_TRUE(write_test_zip(package.string(), {{"drv/a.inf", "[Version]"}, {"drv/b.sys", "bytes MARK", false}}));
    std::string bytes = bytes_of(package);
    bytes[bytes.find("MARK")] = 'W';
    std::ofstream(package, std::ios::binary) << bytes;
    const std::size_t starts = launcher.started().size();
    ASSERT_EQ(install_and_wait(session, context, link), install_start_c::started);
    EXPECT_EQ(session.install_job.report.outcome, unpack_outcome_c::failed);
    EXPECT_NE(session.install_job.report.problem.find("CRC"), std::string::npos);
    EXPECT_EQ(launcher.started().size(), starts);
    EXPECT_FALSE(fs::exists(fs::u8path(wide_to_utf8(first + L"-3"))));
    EXPECT_EQ(bytes_of(scratch.path() / "setup.dat"), link + "\n" + link + "\n");

    // The consent prompt declined: nothing was installed, and the package is offered again.
    ASSERT_TRUE(write_test_zip(package.string(), {{"drv/a.inf", "[new]"}}));
    launcher.consent = launch_result_c::cancelled;
    ASSERT_EQ(install_and_wait(session, context, link), install_start_c::started);
    EXPECT_EQ(session.install_job.report.started, program_start_c::cancelled);
    EXPECT_EQ(bytes_of(scratch.path() / "setup.dat"), link + "\n" + link + "\n");

    // No thread to run it on: nothing is marked running.
    refuse_thread_starts(true);
    EXPECT_EQ(install_and_wait(session, context, link), install_start_c::no_thread);
    refuse_thread_starts(false);
    EXPECT_EQ(session.install_job.running.load(), 0);
    download_sessions.clear();
}

TEST(start_install, a_signed_package_is_checked_again_before_it_is_unpacked) {
    scratch_folder_c scratch;
    const std::wstring folder = utf8_to_wide(scratch.path().u8string());
    const fs::path zip_source = scratch.path() / "source.zip";
    ASSERT_TRUE(write_test_zip(zip_source.string(), {{"drv/a.inf", "[Version]"}}));
    const std::string zip_bytes = bytes_of(zip_source);
    recording_launcher_c launcher;
    const installer_context_c context{folder, folder, false, &launcher, &disk_files()};
    auto package_of = [&](const std::string& link, const std::string& bytes, const std::optional<sha256_digest_c>& signed_digest) {
        download_session_c& session = *get_download_session(link, std::uint32_t(bytes.size()), folder, signed_digest);
        std::ofstream(fs::u8path(wide_to_utf8(session.final_path)), std::ios::binary) << bytes;
        session.state = download_state_c::complete;
        return &session;
    };

    // Changed in the download folder after the download (same size): nothing unpacked or started.
    std::string altered = zip_bytes;
    altered[altered.size() / 2] = char(altered[altered.size() / 2] ^ 0x20);
    download_session_c* changed = package_of("http://127.0.0.1/changed.zip", altered, sha256_of(zip_bytes));
    ASSERT_EQ(install_and_wait(*changed, context, changed->url), install_start_c::started);
    EXPECT_EQ(changed->install_job.report.outcome, unpack_outcome_c::failed);
    EXPECT_EQ(changed->install_job.report.problem, altered_file_problem);
    EXPECT_TRUE(changed->install_job.report.folder.empty());

    // A program that is no zip archive goes to the shell only when signed and unchanged.
    const std::string program = "MZ not a zip";
    download_session_c* unsigned_program = package_of("http://127.0.0.1/tool.exe", program, std::nullopt);
    ASSERT_EQ(install_and_wait(*unsigned_program, context, unsigned_program->url), install_start_c::started);
    EXPECT_EQ(unsigned_program->install_job.report.outcome, unpack_outcome_c::failed);
    EXPECT_TRUE(launcher.started().empty());
    EXPECT_FALSE(fs::exists(scratch.path() / "setup.dat"));

    download_session_c* signed_program = package_of("http://127.0.0.1/signed.exe", program, sha256_of(program));
    ASSERT_EQ(install_and_wait(*signed_program, context, signed_program->url), install_start_c::started);
    // Copied, checked again and run elevated by the installer.
    EXPECT_EQ(launcher.started(), (std::vector<std::wstring>{L"runas " + join_path(folder, L"DPInst32.exe") +
                                                             L" /PROGRAM" + staged(signed_program->final_path, sha256_of(program))}));
    download_sessions.clear();
}

TEST(start_install, the_installer_waited_for_decides_what_setup_dat_remembers) {
    const std::string link = "http://127.0.0.1/waited.zip";
    downloaded_package_c package(link, {{"drv/a.inf", "[Version]"}});
    const struct {
        std::uint32_t code;
        install_verdict_c verdict;
        bool restart, remembered;
    } cases[] = {
        {0x00000001, install_verdict_c::installed, false, true},
        {0x40000001, install_verdict_c::installed, true, true},
        {0x00000100, install_verdict_c::not_better, false, true},   // staged, Windows kept its driver
        {0x80010000, install_verdict_c::failed, false, false},
        {0x80010100, install_verdict_c::failed, false, false},      // one staged, one failed
        {0x00000000, install_verdict_c::failed, false, false},      // nothing for any device
    };
    std::string remembered;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.code);
        package.launcher.exit_code = c.code;
        ASSERT_EQ(install_and_wait(package.session, package.context, link), install_start_c::started);
        const std::optional<installer_outcome_c>& outcome = package.session.install_job.report.installed;
        ASSERT_TRUE(outcome);
        EXPECT_EQ(outcome->verdict, c.verdict);
        EXPECT_EQ(outcome->restart_needed, c.restart);
        if (c.remembered) remembered += link + "\n";
        const fs::path setup_dat = package.scratch.path() / "setup.dat";
        EXPECT_EQ(fs::exists(setup_dat) ? bytes_of(setup_dat) : "", remembered);
    }
    // A package's own set-up program: 0 installs, 3010 installs and asks for a restart.
    for (const auto& [code, verdict, restart] : {std::tuple{0u, install_verdict_c::installed, false},
                                                 std::tuple{3010u, install_verdict_c::installed, true},
                                                 std::tuple{1603u, install_verdict_c::failed, false}}) {
        const installer_outcome_c outcome = installer_outcome({code, true});
        EXPECT_EQ(outcome.verdict, verdict) << code;
        EXPECT_EQ(outcome.restart_needed, restart) << code;
    }
}

// The device ID an offer was made for is the server's word, not signed: a package whose INF does
// not name it installs nothing.
TEST(start_install, a_package_whose_inf_does_not_name_the_offered_id_is_not_installed) {
    const std::string link = "http://127.0.0.1/claimed.zip";
    downloaded_package_c package(link, {{"drv/a.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n[Manufacturer]\r\nM=Models,NTx86,NTamd64\r\n"
                                                      "[Models.NTx86]\r\n\"NIC\"=Install, PCI\\VEN_8086&DEV_1533\r\n"
                                                      "[Models.NTamd64]\r\n\"NIC\"=Install, PCI\\VEN_8086&DEV_1533\r\n"}});
    const unpack_report_c& report = package.session.install_job.report;
    for (const auto& [claimed, installs] : {std::pair{L"pci\\ven_8086&dev_1533", true}, std::pair{L"PCI\\VEN_10EC&DEV_8168", false}}) {
        const std::size_t starts = package.launcher.started().size();
        ASSERT_EQ(install_and_wait(package.session, package.context, install_request_c{link, {L"drv\\a.inf"}, false, {claimed}}),
                  install_start_c::started);
        EXPECT_EQ(package.launcher.started().size(), starts + (installs ? 1 : 0));
        if (!installs) {
            EXPECT_EQ(report.outcome, unpack_outcome_c::failed);
            EXPECT_NE(report.problem.find("does not name PCI\\VEN_10EC&DEV_8168"), std::string::npos) << report.problem;
        }
    }
}
