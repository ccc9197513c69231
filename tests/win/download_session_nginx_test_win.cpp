// A download session against an independent file server (nginx, started by the test script and
// named by VANTOREL_NGINX), into a folder whose name has a space and letters beyond ASCII: paused
// in the middle, resumed, and byte for byte the served file.
#include "common/file_open.h"
#include "common/text_convert.h"
#include "download/download_session.h"
#include "service/http_transfer.h"
#include "tests/unit/test_files.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {

// Checks the condition every 10 ms until it holds or the time is up; its last value.
template <typename condition_t>
bool poll_until(condition_t condition, DWORD timeout_ms) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeout_ms) return condition();
        Sleep(10);
    }
    return true;
}

// Until the session's worker has ended; whether it did within a minute.
bool wait_for(download_session_c& session) {
    return poll_until([&] { return session.poll_worker(); }, 60000);
}

}  // namespace

TEST(download_session_nginx, paused_and_resumed_into_a_folder_with_a_space_and_accents) {
    const char* url = std::getenv("VANTOREL_NGINX");
    const char* served_file = std::getenv("VANTOREL_NGINX_FILE");  // the file's Windows path
    if (!url || !*url || !served_file || !*served_file) GTEST_SKIP() << "no nginx";
    const std::string expected = bytes_of(utf8_to_wide(served_file));
    ASSERT_GT(expected.size(), 1000000u);

    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring folder = std::wstring(temp) + L"vantorel dl \u00e9\u00fc " + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(create_folders(folder));
    http_global_init();

    // The server sends at 1 MB/s under /slow/: the pause lands in the middle.
    const std::string name = std::filesystem::path(served_file).filename().string();
    download_session_c& session =
        *get_download_session(std::string(url) + "/slow/" + name, std::uint32_t(expected.size()), folder);
    ASSERT_TRUE(session.start_download());
    ASSERT_TRUE(poll_until([&] { return session.job.bytes_done.load() > 0; }, 30000));
    session.request_pause();
    ASSERT_TRUE(wait_for(session));
    ASSERT_EQ(session.state, download_state_c::paused);
    const std::uint32_t paused_at = session.job.bytes_done.load();
    EXPECT_GT(paused_at, 0u);
    EXPECT_LT(paused_at, expected.size());
    EXPECT_EQ(bytes_of(session.temp_path), expected.substr(0, paused_at));

    ASSERT_TRUE(session.start_download());
    ASSERT_TRUE(wait_for(session));
    ASSERT_EQ(session.state, download_state_c::complete);
    EXPECT_EQ(session.job.http_status, 206);
    EXPECT_TRUE(bytes_of(session.final_path) == expected);

    remove_file(session.final_path);
    RemoveDirectoryW(folder.c_str());
    download_sessions.clear();
}
