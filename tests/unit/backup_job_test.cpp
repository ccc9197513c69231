// Backup candidates, package archives, whole backup jobs and restores, on real folders and
// archives.
#include "backup/archive_naming.h"
#include "backup/backup_job.h"
#include "common/worker.h"
#include "backup/index_location.h"
#include "backup/restore_job.h"
#include "common/file_digest.h"
#include "common/file_open.h"
#include "common/path_join.h"
#include "common/text_convert.h"
#include "download/zip_reader.h"
#include "tests/unit/recording_launcher.h"
#include "tests/unit/test_files.h"

#include <gtest/gtest.h>

#include <minizip/unzip.h>

#include <cwchar>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

device_c driver_device(const wchar_t* path, const wchar_t* inf, const wchar_t* description) {
    device_c record;
    std::wcscpy(record.instance_path, path);
    std::wcscpy(record.inf_path, inf);
    std::wcscpy(record.driver_description, description);
    std::wcscpy(record.display_name, description);
    record.has_driver = true;
    return record;
}

std::wstring wide(const fs::path& path) { return utf8_to_wide(path.u8string()); }

std::vector<std::string> archive_names(const fs::path& archive) {
    std::vector<std::string> names;
    unzFile zip = unzOpen64(archive.string().c_str());
    if (!zip) return {"(no archive)"};
    for (int r = unzGoToFirstFile(zip); r == UNZ_OK; r = unzGoToNextFile(zip)) {
        char name[256] = {};
        unzGetCurrentFileInfo64(zip, nullptr, name, sizeof name, nullptr, 0, nullptr, 0);
        names.push_back(name);
    }
    unzClose(zip);
    return names;
}

class backup_job_test : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = scratch_.path() / "FileRepository";
        backups_ = scratch_.path() / "back ups";
        fs::create_directories(backups_);
        make_package("x.inf_amd64_neutral_0123", {{"x.inf", "[Version]"}, {"amd64/x.sys", "driver"}, {".svn/e", "no"}});
        make_package("y.inf_amd64_neutral_4567", {{"y.inf", "[Version] y"}});
        make_package("machine.inf_amd64_neutral_89ab", {{"machine.inf", "[Version] m"}});
        location_.root = wide(root_);
        location_.locate = [this](const std::wstring& inf) -> std::optional<std::wstring> {
            const std::string name = wide_to_utf8(inf);
            for (const auto& folder : fs::directory_iterator(root_))
                if (fs::exists(folder.path() / (name == "oem12.inf" ? "x.inf" : name == "oem13.inf" ? "y.inf" : name)))
                    return wide(folder.path() / (name == "oem12.inf" ? "x.inf" : name == "oem13.inf" ? "y.inf" : name));
            if (name == "elsewhere.inf") return std::wstring(L"/other/place/elsewhere.inf");
            return std::nullopt;
        };
        // Two packages whose first devices share a description.
        store_.devices = {driver_device(L"PCI\\A", L"oem12.inf", L" Intel(R) Ethernet: 1/10 Gb "),
                          driver_device(L"PCI\\B", L"oem12.inf", L"second device of x"),
                          driver_device(L"PCI\\C", L"machine.inf", L"PCI bus"),
                          driver_device(L"PCI\\D", L"oem13.inf", L" Intel(R) Ethernet: 1/10 Gb "),
                          driver_device(L"PCI\\E", L"oem99.inf", L"not in the store"),
                          driver_device(L"PCI\\F", L"elsewhere.inf", L"outside the store")};
    }
    void TearDown() override {
        std::lock_guard<std::mutex> guard(backup_index_lock);
        backup_index.clear();
    }
    void make_package(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& files) {
        for (const auto& [name, bytes] : files) {
            fs::create_directories((root_ / folder / name).parent_path());
            std::ofstream(root_ / folder / name, std::ios::binary) << bytes;
        }
    }
    std::shared_ptr<backup_job_c> job_for(const std::vector<const backup_candidate_c*>& ticked) {
        return make_backup_job(ticked, location_, wide(backups_), wide(scratch_.path() / "backup.xml"), "2026-12-08");
    }

    scratch_folder_c scratch_;
    fs::path root_, backups_;
    driver_store_location_c location_;
    device_store_c store_;
};

}  // namespace

TEST_F(backup_job_test, candidates_are_the_store_folders_of_installed_infs) {
    const auto candidates = build_backup_candidates(store_, location_, 61);
    ASSERT_EQ(candidates.size(), 3u);
    EXPECT_EQ(candidates[0].package_folder, L"x.inf_amd64_neutral_0123");
    EXPECT_FALSE(candidates[0].inbox);
    EXPECT_EQ(candidates[0].devices, (std::vector<const device_c*>{&store_.devices[0], &store_.devices[1]}));
    EXPECT_TRUE(candidates[1].inbox);
    EXPECT_EQ(candidates[2].package_folder, L"y.inf_amd64_neutral_4567");
    // Before Vista only oem packages.
    EXPECT_EQ(build_backup_candidates(store_, location_, 51).size(), 2u);
}

TEST_F(backup_job_test, archive_names_are_safe_and_distinct_per_package) {
    EXPECT_EQ(safe_archive_stem(L" Intel(R) Ethernet: 1/10 Gb ", L"oem12.inf"), L"Intel(R)-Ethernet--1-10-Gb");
    EXPECT_EQ(safe_archive_stem(L"a\"b\tc...", L"oem12.inf"), L"a-b-c");
    EXPECT_EQ(safe_archive_stem(L"CON", L"oem12.inf"), L"_CON");
    EXPECT_EQ(safe_archive_stem(L"   ", L""), L"driver");
    EXPECT_EQ(safe_archive_stem(std::wstring(300, L'x'), L"oem12.inf").size(), 100u);

    const auto candidates = build_backup_candidates(store_, location_, 61);
    auto job = job_for({&candidates[0], &candidates[2]});
    ASSERT_EQ(run_backup_job(*job), 0);
    EXPECT_EQ(job->progress.load(), 200);
    EXPECT_EQ(archive_names(backups_ / "Intel(R)-Ethernet--1-10-Gb.zip"),
              (std::vector<std::string>{".svn\\e", "amd64\\x.sys", "x.inf"}));
    EXPECT_EQ(archive_names(backups_ / "Intel(R)-Ethernet--1-10-Gb-2.zip"), (std::vector<std::string>{"y.inf"}));
    // The same package again replaces its own archive and entry.
    ASSERT_EQ(run_backup_job(*job_for({&candidates[0]})), 0);
    ASSERT_EQ(backup_index.size(), 2u);
    EXPECT_STREQ(backup_index[0].file_name, "Intel(R)-Ethernet--1-10-Gb.zip");
    ASSERT_EQ(backup_index[0].devices.size(), 2u);
    EXPECT_STREQ(backup_index[0].devices[1].id, L"PCI\\B");
    EXPECT_FALSE(fs::exists(backups_ / "Intel(R)-Ethernet--1-10-Gb-3.zip"));
}

TEST_F(backup_job_test, a_failed_backup_keeps_the_good_archive_and_the_job_owns_its_data) {
    auto candidates = build_backup_candidates(store_, location_, 61);
    ASSERT_EQ(run_backup_job(*job_for({&candidates[0]})), 0);
    const fs::path archive = backups_ / "Intel(R)-Ethernet--1-10-Gb.zip";
    const auto good = archive_names(archive);
#ifndef _WIN32
    // A file of the package that cannot be read fails the package, and the old archive stays.
    fs::create_symlink("/proc/self/mem", root_ / "x.inf_amd64_neutral_0123" / "unreadable.bin");
    EXPECT_EQ(run_backup_job(*job_for({&candidates[0]})), -1);
    EXPECT_EQ(archive_names(archive), good);
    EXPECT_FALSE(fs::exists(fs::path(archive.string() + ".part")));
    fs::remove(root_ / "x.inf_amd64_neutral_0123" / "unreadable.bin");
#endif
    // A job started by a page that is then gone, over devices a rescan then frees, still ends
    // sound: it reads only its own copies.
    fs::remove(archive);
    {
        std::lock_guard<std::mutex> guard(backup_index_lock);
        backup_index.clear();
    }
    auto job = job_for({&candidates[0]});
    {
        worker_c worker;
        ASSERT_TRUE(worker.start([job](const std::atomic<bool>&) { return run_backup_job(*job); }));
    }
    candidates.clear();
    store_.devices.clear();
    bool recorded = false;
    for (int i = 0; i < 500 && !recorded; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::lock_guard<std::mutex> guard(backup_index_lock);
        recorded = !backup_index.empty();
    }
    ASSERT_TRUE(recorded);
    EXPECT_EQ(archive_names(archive), good);
}

TEST_F(backup_job_test, a_package_folder_not_listed_whole_fails_and_keeps_the_archive) {
    const auto candidates = build_backup_candidates(store_, location_, 61);
    ASSERT_EQ(run_backup_job(*job_for({&candidates[0]})), 0);
    const fs::path archive = backups_ / "Intel(R)-Ethernet--1-10-Gb.zip";
    const std::string good = bytes_of(archive);
    const fs::path package = root_ / "x.inf_amd64_neutral_0123";
    // A link that leads nowhere is a file that cannot be backed up (where links can be made).
    std::error_code unsupported;
    fs::create_symlink("nowhere", package / "amd64" / "lost.sys", unsupported);
    if (!unsupported) {
        EXPECT_EQ(run_backup_job(*job_for({&candidates[0]})), -1);
        EXPECT_EQ(bytes_of(archive), good);
        fs::remove(package / "amd64" / "lost.sys");
    }
    // The package's folder has vanished from the store.
    fs::rename(package, root_ / "moved");
    EXPECT_EQ(run_backup_job(*job_for({&candidates[0]})), -1);
    EXPECT_EQ(bytes_of(archive), good);
    EXPECT_FALSE(fs::exists(fs::path(archive.string() + ".part")));
}

TEST_F(backup_job_test, names_outside_the_ansi_code_page_agree_with_the_index) {
#ifdef _WIN32
    if (ansi_code_page() != 1252) GTEST_SKIP() << "the system's ANSI code page is " << ansi_code_page();
#else
    ASSERT_TRUE(set_ansi_code_page(1252));
#endif
    std::wcscpy(store_.devices[0].driver_description, L"Realtek \u0410\u0434\u0430\u043f\u0442\u0435\u0440");
    std::wcscpy(store_.devices[3].driver_description, L"\u7f51\u5361");
    const auto candidates = build_backup_candidates(store_, location_, 61);
    auto job = job_for({&candidates[0], &candidates[2]});
    ASSERT_EQ(run_backup_job(*job), 0);
    // What cp1252 lacks is "-"; a name of nothing else is the INF's.
    EXPECT_EQ(job->archives,
              (std::vector<std::wstring>{wide(backups_ / "Realtek--------.zip"), wide(backups_ / "oem13.zip")}));
    backup_index_c loaded;
    ASSERT_EQ(load_backup_index(loaded, wide(scratch_.path() / "backup.xml"), wide(backups_), store_).result, 0);
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_STREQ(loaded[0].file_name, "Realtek--------.zip");
    EXPECT_STREQ(loaded[1].file_name, "oem13.zip");
    EXPECT_TRUE(loaded[0].archive_present && loaded[1].archive_present);
}

TEST_F(backup_job_test, a_file_the_index_does_not_name_is_never_overwritten) {
    std::ofstream(backups_ / "Intel(R)-Ethernet--1-10-Gb.zip", std::ios::binary) << "not a backup";
    const auto candidates = build_backup_candidates(store_, location_, 61);
    auto job = job_for({&candidates[0]});
    ASSERT_EQ(run_backup_job(*job), 0);
    EXPECT_EQ(job->archives, (std::vector<std::wstring>{wide(backups_ / "Intel(R)-Ethernet--1-10-Gb-2.zip")}));
    EXPECT_EQ(bytes_of(backups_ / "Intel(R)-Ethernet--1-10-Gb.zip"), "not a backup");
}

TEST_F(backup_job_test, a_backup_into_another_folder_keeps_the_entries_of_the_first) {
    const fs::path first = scratch_.path() / "first";
    fs::create_directories(first);
    std::ofstream(first / "Older.zip", std::ios::binary) << "PK";
    const std::wstring index_path = wide(scratch_.path() / "backup.xml");
    backup_index_c earlier;
    ASSERT_TRUE(record_backup(earlier, wide(first / "Older.zip"), {device_texts_of(store_.devices[2])}, index_path,
                            "2020-01-01"));
    // A run against the other folder reads the same index, as the command line does.
    {
        std::lock_guard<std::mutex> guard(backup_index_lock);
        ASSERT_EQ(load_backup_index(backup_index, index_path, wide(backups_), store_).result, 0);
    }
    const auto candidates = build_backup_candidates(store_, location_, 61);
    ASSERT_EQ(run_backup_job(*job_for({&candidates[0]})), 0);
    backup_index_c loaded;
    ASSERT_EQ(load_backup_index(loaded, index_path, wide(first), store_).result, 0);
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_STREQ(loaded[0].file_name, "Older.zip");
    EXPECT_TRUE(loaded[0].archive_present);
    EXPECT_FALSE(loaded[1].archive_present);
    // The command line gives a folder other than the settings' an index of its own.
    EXPECT_EQ(backup_index_path(L"C:/Backups/", L"c:\\backups", L"C:\\Program"),
              join_path(L"C:\\Program", L"backup.xml"));
    EXPECT_EQ(backup_index_path(L"D:\\Elsewhere", L"C:\\Backups", L"C:\\Program"),
              join_path(L"D:\\Elsewhere", L"backup.xml"));
}

TEST_F(backup_job_test, restore_unpacks_beside_the_archive_and_forces_the_installer) {
    const auto candidates = build_backup_candidates(store_, location_, 61);
    ASSERT_EQ(run_backup_job(*job_for({&candidates[0]})), 0);
    recording_launcher_c launcher;
    installer_context_c context{L"P", wide(backups_), true, &launcher, &disk_files()};
    ASSERT_EQ(restore_backup(L"Intel(R)-Ethernet--1-10-Gb.zip", wide(backups_), context), 0);
    const fs::path folder = backups_ / "Intel(R)-Ethernet--1-10-Gb";
    EXPECT_TRUE(fs::exists(folder / "amd64" / "x.sys"));
    // The installer takes the archive itself, checked against the digest it was unpacked with.
    const std::wstring archive = wide(backups_ / "Intel(R)-Ethernet--1-10-Gb.zip");
    EXPECT_EQ(launcher.started(), (std::vector<std::wstring>{L"runas " + join_path(L"P", L"DPInst64.exe") + L" /SH /F /STAGE \"" +
                                                             archive + L"\" /SHA256 " +
                                                             utf8_to_wide(digest_hex(*file_sha256(archive)))}));
    EXPECT_EQ(restore_backup(L"..\\Intel(R)-Ethernet--1-10-Gb.zip", wide(backups_), context), -1);
    EXPECT_EQ(restore_backup(L"missing.zip", wide(backups_), context), -1);
    EXPECT_EQ(launcher.started().size(), 1u);

    // The index keeps the archive's digest; an archive changed since (same size) is refused.
    const std::wstring name = L"Intel(R)-Ethernet--1-10-Gb.zip";
    const std::optional<sha256_digest_c> recorded = recorded_archive_digest(backup_index, name);
    ASSERT_TRUE(recorded);
    EXPECT_NE(backup_index_text(backup_index).find("<sha256>" + digest_hex(*recorded) + "</sha256>"), std::string::npos);
    ASSERT_EQ(restore_backup(name, wide(backups_), context, nullptr, recorded), 0);
    std::string bytes = bytes_of(backups_ / "Intel(R)-Ethernet--1-10-Gb.zip");
    bytes[bytes.size() / 3] = char(bytes[bytes.size() / 3] ^ 1);
    std::ofstream(backups_ / "Intel(R)-Ethernet--1-10-Gb.zip", std::ios::binary) << bytes;
    std::string problem;
    EXPECT_EQ(restore_backup(name, wide(backups_), context, &problem, recorded), -1);
    EXPECT_NE(problem.find("damaged or altered"), std::string::npos) << problem;
    EXPECT_EQ(launcher.started().size(), 2u);
}
