// Download sessions: names, the state found on disk, and the worker against the fault server.
#include "common/file_open.h"
#include "common/path_join.h"
#include "common/text_convert.h"
#include "download/download_paths.h"
#include "download/download_session.h"
#include "download/show_download_file.h"
#include "service/http_transfer.h"
#include "tests/unit/fault_server_access.h"
#include "tests/unit/recording_launcher.h"
#include "tests/unit/test_files.h"
#include "tests/unit/thread_start_fault.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace {

std::string pattern(std::uint64_t from, std::uint64_t count) {
    std::string bytes(count, '\0');
    for (std::uint64_t i = 0; i < count; ++i) bytes[i] = char(expected_pattern_byte(from + i));
    return bytes;
}

// Paths as the file system library takes them, whatever the C locale.
std::filesystem::path fs_path(const std::wstring& path) { return std::filesystem::u8path(wide_to_utf8(path)); }

void write(const std::wstring& path, const std::string& bytes) {
    std::FILE* file = open_file(path, "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

class download_session_test : public ::testing::Test {
protected:
    static void SetUpTestSuite() { http_global_init(); }

    void SetUp() override {
        // The download folder's name has a space and letters beyond ASCII.
        const auto folder = scratch_.path() / std::filesystem::u8path("dl f\xC3\xA9\xC3\xBC");
        std::filesystem::create_directories(folder);
        folder_ = utf8_to_wide(folder.u8string());
    }
    void TearDown() override {
        stop_downloads(std::chrono::seconds(5));
        download_sessions.clear();
    }

    // A session that waits little between attempts and takes two seconds without data for a stall.
    download_session_c& session(const std::string& link, std::uint32_t size) {
        download_session_c& made = *get_download_session(link, size, folder_);
        made.job.retry_wait_ms = 100;
        made.job.low_speed_time_s = 2;
        return made;
    }
    // Polls as the download page's timer does, a bounded time.
    static void wait_for(download_session_c& s) {
        for (int i = 0; i < 3000 && !s.poll_worker(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::string served(const std::string& path) {
        const std::string base = fault_server_access_c::base_url();
        if (base.empty()) return {};
        return base + path;
    }

    scratch_folder_c scratch_;
    std::wstring folder_;
};

}  // namespace

TEST_F(download_session_test, file_names_keep_ordinary_links_and_tame_hostile_ones) {
    const std::wstring digest_abc = L"fab6524418496366c15bebfd567455ea";
    download_paths_c ordinary = make_download_paths(L"D:\\dl", "http://h/x/abc.zip");
    EXPECT_EQ(ordinary.final_path, join_path(L"D:\\dl", digest_abc + L".zip"));
    EXPECT_EQ(ordinary.temp_path, ordinary.final_path + L".tmp");
    // Same file name in another folder: the same files.
    EXPECT_EQ(make_download_paths(L"D:\\dl", "ftp://other/y/abc.zip").final_path, ordinary.final_path);
    // Named after the file name the signature covers: no query or fragment, escapes decoded.
    EXPECT_EQ(make_download_paths(L"D:\\dl", "http://h/x/ab%63.zip?session=7#top").final_path, ordinary.final_path);
    EXPECT_EQ(make_download_paths(L"D:\\dl", "http://host.example/get?id=5.zip").final_path,
              join_path(L"D:\\dl", L"b5eda0a74558a342cf659187f06f746f.exe"));
    EXPECT_EQ(download_extension(L"abc.zip?x=1.2/3#f"), L".zip");
    EXPECT_EQ(download_extension(L"file"), L".exe");
    EXPECT_EQ(download_extension(L"file."), L".exe");
    EXPECT_EQ(download_extension(L"a.z:ip"), L".exe");
    EXPECT_EQ(download_extension(L"a.z\"p"), L".exe");
    EXPECT_EQ(download_extension(L"a.z\tp"), L".exe");
    EXPECT_EQ(download_extension(L"a.Cab"), L".Cab");
}

TEST_F(download_session_test, the_starting_state_comes_from_the_disk) {
    download_session_c& fresh = session("http://h/none.zip", 1000);
    EXPECT_EQ(fresh.state, download_state_c::not_downloaded);
    EXPECT_FALSE(fresh.file_to_show());

    const download_paths_c partial = make_download_paths(folder_, "http://h/partial.zip");
    write(partial.temp_path, std::string(400, 'p'));
    write(partial.final_path, std::string(900, 'f'));  // the partial file takes precedence
    download_session_c& paused = session("http://h/partial.zip", 1000);
    EXPECT_EQ(paused.state, download_state_c::paused);
    EXPECT_EQ(paused.job.bytes_done.load(), 400u);
    EXPECT_EQ(*paused.file_to_show(), partial.temp_path);

    const download_paths_c done = make_download_paths(folder_, "http://h/done.zip");
    write(done.final_path, std::string(1000, 'f'));
    download_session_c& complete = session("http://h/done.zip", 1000);
    EXPECT_EQ(complete.state, download_state_c::complete);
    EXPECT_EQ(complete.job.bytes_done.load(), 1000u);
    EXPECT_EQ(*complete.file_to_show(), done.final_path);
    // A file of another size at the final name is no package of this offer.
    const download_paths_c stale = make_download_paths(folder_, "http://h/stale.zip");
    write(stale.final_path, std::string(700, 'f'));
    EXPECT_EQ(session("http://h/stale.zip", 1000).state, download_state_c::not_downloaded);

    // Showing the file: the folder while there is none, else Explorer with the file selected.
    recording_launcher_c launcher;
    show_download_file(fresh, folder_, launcher);
    show_download_file(paused, folder_, launcher);
    show_download_file(complete, folder_, launcher);
    EXPECT_EQ(launcher.started(), (std::vector<std::wstring>{L"open " + folder_,
                                                           L"explorer.exe /select,\"" + partial.temp_path + L"\"",
                                                           L"explorer.exe /select,\"" + done.final_path + L"\""}));

    // One session per link, the whole link however long; the first expected size stays.
    const std::string long_link = "http://h/" + std::string(3000, 'a') + ".zip";
    download_session_c& first = session(long_link, 10);
    EXPECT_EQ(&session(long_link, 20), &first);
    EXPECT_EQ(first.url, long_link);
    EXPECT_EQ(first.job.expected_size, 10u);
    EXPECT_EQ(download_sessions.size(), 5u);
}

TEST_F(download_session_test, complete_short_and_failed_downloads) {
    if (served("").empty()) GTEST_SKIP() << "no fault server";
    download_session_c& exact = session(served("/bytes/1000.zip"), 1000);
    ASSERT_TRUE(exact.start_download());
    EXPECT_EQ(exact.state, download_state_c::downloading);
    EXPECT_FALSE(exact.start_download());  // one worker at a time
    wait_for(exact);
    EXPECT_EQ(exact.state, download_state_c::complete);
    EXPECT_EQ(bytes_of(exact.final_path), pattern(0, 1000));
    EXPECT_FALSE(file_exists(exact.temp_path));

    // Removing the package starts the next download from byte 0.
    ASSERT_TRUE(exact.remove_download());
    EXPECT_EQ(exact.state, download_state_c::not_downloaded);
    EXPECT_FALSE(file_exists(exact.final_path));
    ASSERT_TRUE(exact.start_download());
    wait_for(exact);
    EXPECT_EQ(bytes_of(exact.final_path), pattern(0, 1000));

    // One byte short: failed, the partial file kept for a resume.
    download_session_c& short_one = session(served("/bytes/999.zip"), 1000);
    ASSERT_TRUE(short_one.start_download());
    wait_for(short_one);
    EXPECT_EQ(short_one.state, download_state_c::failed);
    EXPECT_EQ(bytes_of(short_one.temp_path), pattern(0, 999));

    // An error answer: failed, and not one byte of its page in the file.
    download_session_c& error = session(served("/status/503"), 1000);
    ASSERT_TRUE(error.start_download());
    wait_for(error);
    EXPECT_EQ(error.state, download_state_c::failed);
    EXPECT_EQ(error.job.http_status, 503);
    EXPECT_EQ(bytes_of(error.temp_path), "");
}

TEST_F(download_session_test, only_the_signed_bytes_become_the_package) {
    if (served("").empty()) GTEST_SKIP() << "no fault server";
    const std::string link = served("/bytes/5000.zip");
    const download_paths_c paths = make_download_paths(folder_, link);
    std::string altered = pattern(0, 5000);
    altered[4321] = char(altered[4321] ^ 1);
    auto signed_session = [&](const std::string& bytes) -> download_session_c& {
        download_session_c& made = *get_download_session(link, 5000, folder_, sha256_of(bytes));
        made.job.retry_wait_ms = 100;
        return made;
    };
    // The mirror sends other bytes of the signed size: deleted, never at the final name.
    download_session_c& foreign = signed_session(altered);
    ASSERT_TRUE(foreign.start_download());
    wait_for(foreign);
    EXPECT_EQ(foreign.state, download_state_c::failed);
    EXPECT_EQ(foreign.problem, download_problem_c::digest_mismatch);
    EXPECT_FALSE(file_exists(paths.temp_path));
    EXPECT_FALSE(file_exists(paths.final_path));
    download_sessions.clear();

    // A stale file at the final name is not taken; a partial file from an earlier run is hashed
    // once and the rest as it arrives.
    write(paths.final_path, altered);
    write(paths.temp_path, pattern(0, 1200));
    download_session_c& resumed = signed_session(pattern(0, 5000));
    ASSERT_EQ(resumed.state, download_state_c::paused);
    ASSERT_TRUE(resumed.start_download());
    wait_for(resumed);
    EXPECT_EQ(resumed.state, download_state_c::complete);
    EXPECT_EQ(resumed.job.http_status, 206);
    EXPECT_EQ(bytes_of(resumed.final_path), pattern(0, 5000));
    download_sessions.clear();
    EXPECT_EQ(signed_session(pattern(0, 5000)).state, download_state_c::complete);  // checked, and it is the package
}

TEST_F(download_session_test, resumes_from_the_bytes_on_disk_and_replaces_an_older_package) {
    if (served("").empty()) GTEST_SKIP() << "no fault server";
    const std::string link = served("/bytes/5000.zip");
    const download_paths_c paths = make_download_paths(folder_, link);
    write(paths.temp_path, pattern(0, 400));
    write(paths.final_path, "an older package");
    download_session_c& resumed = session(link, 5000);
    ASSERT_EQ(resumed.state, download_state_c::paused);
    ASSERT_TRUE(resumed.start_download());
    wait_for(resumed);
    EXPECT_EQ(resumed.state, download_state_c::complete);
    EXPECT_EQ(resumed.job.http_status, 206);
    EXPECT_EQ(bytes_of(resumed.final_path), pattern(0, 5000));

    // A partial file that already holds every byte completes without asking any server.
    const download_paths_c full = make_download_paths(folder_, "http://127.0.0.1:1/full.zip");
    write(full.temp_path, pattern(0, 300));
    download_session_c& complete = session("http://127.0.0.1:1/full.zip", 300);
    ASSERT_TRUE(complete.start_download());
    wait_for(complete);
    EXPECT_EQ(complete.state, download_state_c::complete);
    EXPECT_EQ(bytes_of(complete.final_path), pattern(0, 300));

    // A partial file longer than the package (another link's, of the same file name) is no start
    // of it: fetched again from byte 0 rather than failing on a range past its end for good.
    const std::string shorter = served("/bytes/200.zip");
    write(make_download_paths(folder_, shorter).temp_path, pattern(0, 900));
    download_session_c& refetched = session(shorter, 200);
    ASSERT_TRUE(refetched.start_download());
    wait_for(refetched);
    EXPECT_EQ(refetched.state, download_state_c::complete);
    EXPECT_EQ(refetched.job.http_status, 200);
    EXPECT_EQ(bytes_of(refetched.final_path), pattern(0, 200));
}

TEST_F(download_session_test, pause_resume_shared_files_and_closing) {
    if (served("").empty()) GTEST_SKIP() << "no fault server";
    // The server stops sending after 3000 bytes: pause there, then resume from the disk.
    const std::string stalling = served("/bytes/5000.zip?stall_after=3000");
    download_session_c& s = session(stalling, 5000);
    ASSERT_TRUE(s.start_download());
    for (int i = 0; i < 500 && s.job.bytes_done.load() < 3000; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));

    // Another link with the same file name shares the files, but not while this one writes.
    download_session_c& twin = session(served("/elsewhere/5000.zip?stall_after=3000"), 5000);
    ASSERT_EQ(twin.temp_path, s.temp_path);
    EXPECT_FALSE(twin.start_download());

    s.request_pause();
    wait_for(s);
    EXPECT_EQ(s.state, download_state_c::paused);
    EXPECT_EQ(bytes_of(s.temp_path), pattern(0, 3000));
    // The range starts at the bytes on disk, whatever the count said at the pause.
    s.job.bytes_done.store(100);
    ASSERT_TRUE(s.start_download());
    EXPECT_EQ(s.job.bytes_done.load(), 3000u);
    wait_for(s);
    EXPECT_EQ(s.state, download_state_c::complete);
    EXPECT_EQ(bytes_of(s.final_path), pattern(0, 5000));

    // Closing stops running workers within the limit; the partial file stays.
    download_session_c& running = session(served("/bytes/8000.zip?stall_after=1000"), 8000);
    ASSERT_TRUE(running.start_download());
    for (int i = 0; i < 500 && running.job.bytes_done.load() < 1000; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(stop_downloads(std::chrono::seconds(5)));
    EXPECT_EQ(running.state, download_state_c::paused);
    EXPECT_EQ(bytes_of(running.temp_path), pattern(0, 1000));
}

TEST_F(download_session_test, a_package_that_cannot_take_its_final_name_fails_with_the_partial_file_kept) {
    if (served("").empty()) GTEST_SKIP() << "no fault server";
    const std::string link = served("/bytes/100.zip");
    // A folder holds the final name: no file can replace it.
    std::filesystem::create_directories(fs_path(make_download_paths(folder_, link).final_path));
    download_session_c& s = session(link, 100);
    ASSERT_TRUE(s.start_download());
    wait_for(s);
    EXPECT_EQ(s.state, download_state_c::failed);
    EXPECT_EQ(bytes_of(s.temp_path), pattern(0, 100));
}

TEST_F(download_session_test, ended_downloads_complete_without_a_panel_and_a_refused_thread_changes_nothing) {
    if (served("").empty()) GTEST_SKIP() << "no fault server";
    // Nobody polls this session until the program ends: it completes, not pauses.
    download_session_c& unpolled = session(served("/bytes/700.zip"), 700);
    ASSERT_TRUE(unpolled.start_download());
    for (int i = 0; i < 500 && !unpolled.worker.finished(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(stop_downloads(std::chrono::seconds(5)));
    EXPECT_EQ(unpolled.state, download_state_c::complete);
    EXPECT_EQ(bytes_of(unpolled.final_path), pattern(0, 700));

    download_session_c& other = session(served("/bytes/800.zip"), 800);
    refuse_thread_starts(true);
    EXPECT_FALSE(other.start_download());
    refuse_thread_starts(false);
    EXPECT_EQ(other.state, download_state_c::not_downloaded);
    EXPECT_FALSE(other.worker_running());
    ASSERT_TRUE(other.start_download());
    for (int i = 0; i < 500 && poll_download_sessions(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(other.state, download_state_c::complete);
}

TEST_F(download_session_test, links_planted_in_the_download_folder_are_never_followed) {
    if (served("").empty()) GTEST_SKIP() << "no fault server";
    const std::filesystem::path outside = scratch_.path() / "outside.sys";
    write(utf8_to_wide(outside.u8string()), pattern(0, 400));
    // A partial file that is a second name of a file elsewhere: resuming would append to that file.
    const std::string resumed_link = served("/bytes/900.zip");
    const download_paths_c resumed = make_download_paths(folder_, resumed_link);
    std::filesystem::create_hard_link(outside, fs_path(resumed.temp_path));
    download_session_c& s = session(resumed_link, 900);
    ASSERT_TRUE(s.start_download());
    wait_for(s);
    EXPECT_EQ(s.state, download_state_c::failed);
    EXPECT_EQ(bytes_of(outside), pattern(0, 400));

    // A dangling link where a download starts afresh: replaced by a new file, its target never made.
    const std::filesystem::path nowhere = scratch_.path() / "made-through-a-link.sys";
    const std::string fresh_link = served("/bytes/600.zip");
    const download_paths_c fresh = make_download_paths(folder_, fresh_link);
    std::error_code unsupported;
    std::filesystem::create_symlink(nowhere, fs_path(fresh.temp_path), unsupported);
    if (unsupported) GTEST_SKIP() << "no symbolic links here: " << unsupported.message();
    download_session_c& f = session(fresh_link, 600);
    f.job.bytes_done.store(0);
    ASSERT_TRUE(f.start_download());
    wait_for(f);
    EXPECT_EQ(f.state, download_state_c::complete);
    EXPECT_FALSE(std::filesystem::exists(nowhere));
    EXPECT_EQ(bytes_of(f.final_path), pattern(0, 600));
}
