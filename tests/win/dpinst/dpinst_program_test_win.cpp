// The installers' behaviour as programs: refusals, the result window, the time limit on device
// installations.
#include "tests/win/dpinst/installer_process_win.h"
#include "tests/win/dpinst/test_package.h"
#include "dpinst/device_install_win.h"
#include "dpinst/result_window_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace fs = std::filesystem;

TEST(dpinst_program, refusals_end_with_the_failure_code_and_a_log_line_also_on_the_console) {
    fs::path folder = fresh_package_folder("refusals");
    auto start = log_size();
    auto unknown = run_installer_program(L"DPInst64.exe", L"/S /SH /X /C /PATH " + quoted(folder));
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->exit_code, 0x80000000u);
    EXPECT_NE(log_since(start).find("Unknown switch: /X"), std::string::npos) << log_since(start);
    // With /C the log goes to the console (here the output it was given) as well.
    EXPECT_NE(unknown->output.find("Unknown switch: /X"), std::string::npos) << unknown->output;

    // On 64-bit Windows the 32-bit installer refuses, as the original does.
    start = log_size();
    auto wrong_architecture = run_installer_program(L"DPInst32.exe", L"/S /SH /PATH " + quoted(folder));
    ASSERT_TRUE(wrong_architecture);
    EXPECT_EQ(wrong_architecture->exit_code, 0x80000000u);
    EXPECT_NE(log_since(start).find("DPInst32.exe cannot install drivers on 64-bit Windows"), std::string::npos)
        << log_since(start);
}

TEST(dpinst_program, the_result_window_shows_the_summary_and_closes_on_its_button_or_wm_close) {
    fs::path folder = fresh_package_folder("window");
    for (bool by_button : {true, false}) {
        running_installer_c installer(L"DPInst64.exe", L"/SH /PATH " + quoted(folder));
        ASSERT_TRUE(installer.started());
        HWND window = installer.wait_for_window(result_window_class, 30000);
        ASSERT_NE(window, nullptr);
        wchar_t summary[200] = {};
        GetDlgItemTextW(window, result_summary_id, summary, 200);
        EXPECT_STREQ(summary, L"0 installed, 0 staged only, 0 failed (exit code 0x00000000)");
        if (by_button)
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(result_close_id, BN_CLICKED),
                         LPARAM(GetDlgItem(window, result_close_id)));
        else
            PostMessageW(window, WM_CLOSE, 0, 0);
        auto code = installer.wait_for_exit(10000);
        ASSERT_TRUE(code) << (by_button ? "button" : "WM_CLOSE");
        EXPECT_EQ(*code, 0u);
    }
}

TEST(dpinst_program, a_device_installation_past_its_time_limit_is_left_behind) {
    auto finished = std::make_shared<std::atomic<int>>(0);
    // The "hung" installation waits for the test, so that no thread of it is left at exit.
    std::shared_ptr<void> release(CreateEventW(nullptr, TRUE, FALSE, nullptr), CloseHandle);
    auto left_behind = std::make_shared<std::atomic<int>>(0);
    DWORD start = GetTickCount();
    EXPECT_FALSE(run_with_time_limit(
        [release, left_behind] {
            WaitForSingleObject(release.get(), INFINITE);
            left_behind->store(1);
        },
        200));
    EXPECT_LT(GetTickCount() - start, 5000u);
    SetEvent(release.get());
    for (int i = 0; i < 500 && left_behind->load() == 0; ++i) Sleep(10);
    EXPECT_EQ(left_behind->load(), 1);
    EXPECT_TRUE(run_with_time_limit([finished] { finished->store(1); }, 5000));
    EXPECT_EQ(finished->load(), 1);
}
