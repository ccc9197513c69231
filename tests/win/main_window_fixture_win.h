// What the main window tests share: scan workers whose halves the test holds, releases and
// scripts; a recorder in place of the shell's notification area; and a window made with them.
#pragma once

#include "common/failure_code.h"
#include "tests/unit/recording_launcher.h"
#include "tests/win/main_window_test_access_win.h"
#include "tests/win/ui_test_support_win.h"
#include "ui/kit/gdiplus_session_win.h"
#include "ui/main/main_window_win.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Scan halves that wait while held (two minutes at most, for a test that never lets go), then
// succeed or fail as set; each counts its runs. A held enumeration ends when asked to stop.
struct scripted_scan_c {
    std::atomic<bool> hold_enumeration{false}, hold_query{false};
    std::atomic<bool> enumeration_fails{false};
    std::atomic<failure_code_c> query_error{failure_code_c::none};  // none: the query succeeds
    std::atomic<int> enumerations{0}, queries{0};
    std::atomic<int> stopped_enumerations{0};  // ended by the progress record's stop flag
    std::atomic<int> devices{3};
    std::atomic<int> include_absent{-1};  // what the last enumeration was asked
    std::function<void(device_store_c&)> fill_results;  // fills the scan's store in a successful query

    scan_workers_c workers();
};

// Records what the window asks of the notification area; failing makes every add fail.
struct tray_recorder_c {
    struct call_c {
        DWORD action;
        UINT flags;
        HICON icon;
        std::wstring info;
    };
    static std::vector<call_c>& calls();
    static std::atomic<bool>& failing();
    static BOOL WINAPI notify(DWORD action, PNOTIFYICONDATAW data);
    static int count(DWORD action, UINT flag = 0);
};

// A main window over scripted workers, the tray recorder and a recording launcher.
class test_main_window_c {
public:
    // adjust: changes the options before the window object is made.
    explicit test_main_window_c(std::vector<std::wstring> arguments = {L"Vantorel.exe"},
                                const std::function<void(main_window_options_c&)>& adjust = {});
    // Lets go of held scan halves first: a test that stopped early does not wait for them.
    ~test_main_window_c();
    main_window_c& operator*() { return *window_; }
    main_window_test_access_c* operator->() { return &access_; }
    // Destroys the window and takes the quit message its end posts.
    void destroy();

    scripted_scan_c scan;
    recording_launcher_c launcher;
    succeeding_task_calls_c task_calls;

private:
    gdiplus_session_c gdiplus_;  // the pie chart draws with GDI+, which the program starts first
    std::unique_ptr<main_window_c> window_;
    main_window_test_access_c access_;
};

// The point of a caption button on the screen.
POINT caption_button_point(main_window_c& window, button_c<main_window_c>* button);
