// Watches the running program from outside, as a person at the screen would: finds its main
// window, photographs the scan page while it is up and the results page once it shows, then ends
// the program through its main menu's Exit entry and waits for the window to go.
//
//   window-probe FOLDER [SECONDS] [--drive DOWNLOADS [--backups BACKUPS] | --shown [--keep]]
//
// With --shown it waits only for the main window to be visible (a program started without a
// scan, as the set-up starts it), photographs it and ends the program; with --keep as well it
// leaves the program running.
// With --drive it also works the program as a user would between the results and the end: the
// first two packages downloaded (their panels' button command) until DOWNLOADS holds both files,
// the first one installed (the installer's result window photographed and closed), a rescan, and
// the backup and restore pages (with --backups also a backup of every package, by the keys a
// person would press, until BACKUPS holds an archive). Screenshots go to FOLDER; it gives up after SECONDS (default 180).
// Exit code 0 when every step was reached and the program ended, 1 otherwise (with the reason on
// standard error), 2 on a wrong command line.
#include "tests/win/window_capture_win.h"
#include "ui/main/main_menu_win.h"
#include "ui/kit/window_messages.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

constexpr UINT panel_action_command = 32792;  // the panel menu's entry that acts as its button
constexpr int installer_close_id = 1;

class probe_c {
public:
    probe_c(std::filesystem::path folder, DWORD limit_ms) : folder_(std::move(folder)), limit_ms_(limit_ms) {}

    bool in_time() const { return GetTickCount() - start_ < limit_ms_; }
    bool fail(const char* why) const {
        std::fprintf(stderr, "window-probe: %s\n", why);
        return false;
    }
    bool wait_for(const std::function<bool()>& condition) const {
        while (in_time()) {
            if (condition()) return true;
            Sleep(100);
        }
        return condition();
    }
    bool photograph(HWND window, const char* name) const {
        // Let the window finish painting what it just changed.
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
        Sleep(500);
        std::filesystem::path file = folder_ / (std::string(name) + ".png");
        bool written = write_png(capture_window(window), file);
        std::printf("%s %ls\n", written ? "saved" : "could not save", file.wstring().c_str());
        std::fflush(stdout);
        return written;
    }

private:
    std::filesystem::path folder_;
    DWORD limit_ms_;
    DWORD start_ = GetTickCount();
};

HWND visible_child(HWND parent, const wchar_t* class_name) {
    HWND child = FindWindowExW(parent, nullptr, class_name, nullptr);
    return child && IsWindowVisible(child) ? child : nullptr;
}

using placed_windows_c = std::vector<std::pair<LONG, HWND>>;

BOOL CALLBACK collect_panel(HWND child, LPARAM list) {
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    if (std::wcscmp(name, L"VantorelDownloadPanel") == 0) {
        RECT rect;
        GetWindowRect(child, &rect);
        reinterpret_cast<placed_windows_c*>(list)->push_back({rect.top, child});
    }
    return TRUE;
}

BOOL CALLBACK answer_owned_box(HWND window, LPARAM owner) {
    if (GetWindow(window, GW_OWNER) == reinterpret_cast<HWND>(owner) && IsWindowVisible(window))
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return TRUE;
}

// The download page's panels, top to bottom.
std::vector<HWND> panels_of(HWND main) {
    placed_windows_c found;
    EnumChildWindows(main, collect_panel, reinterpret_cast<LPARAM>(&found));
    std::sort(found.begin(), found.end());
    std::vector<HWND> panels;
    for (const auto& entry : found) panels.push_back(entry.second);
    return panels;
}

// A click of real input at a point of the window (window coordinates).
void click_at(HWND window, int x, int y) {
    RECT rect;
    GetWindowRect(window, &rect);
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input[3] = {};
    for (INPUT& one : input) one.type = INPUT_MOUSE;
    input[0].mi.dx = LONG(((rect.left + x) * 65535LL + width / 2) / (width - 1));
    input[0].mi.dy = LONG(((rect.top + y) * 65535LL + height / 2) / (height - 1));
    input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SetForegroundWindow(window);
    SendInput(3, input, sizeof(INPUT));
    Sleep(400);
}

// The caption tab i (0 home ... 3 restore) of the main window, clicked.
void click_tab(HWND main, int tab) {
    int frame = GetSystemMetrics(SM_CXFRAME), top = GetSystemMetrics(SM_CYFRAME);
    click_at(main, frame + 10 + 82 * tab + 41, top + 56);
}

// Keys pressed and released as real input, in order (a modifier held around each key).
void press_keys(std::initializer_list<WORD> keys, WORD modifier = 0) {
    for (WORD key : keys) {
        std::vector<INPUT> input;
        auto add = [&](WORD code, DWORD flags) {
            INPUT one{};
            one.type = INPUT_KEYBOARD;
            one.ki.wVk = code;
            one.ki.dwFlags = flags;
            input.push_back(one);
        };
        if (modifier) add(modifier, 0);
        add(key, 0);
        add(key, KEYEVENTF_KEYUP);
        if (modifier) add(modifier, KEYEVENTF_KEYUP);
        SendInput(UINT(input.size()), input.data(), sizeof(INPUT));
        Sleep(300);
    }
}

// Answers the program's message boxes (its dialogs owned by the main window) with OK.
void answer_boxes(HWND main) {
    EnumWindows(answer_owned_box, reinterpret_cast<LPARAM>(main));
}

int files_in(const std::filesystem::path& folder, bool partial) {
    int count = 0;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
        if (entry.is_regular_file() && (entry.path().extension() == L".tmp") == partial) ++count;
    return count;
}

bool drive(const probe_c& probe, HWND main, const std::filesystem::path& downloads,
           const std::filesystem::path& backups) {
    std::vector<HWND> panels = panels_of(main);
    if (panels.size() < 2) return probe.fail("fewer than two packages on offer");
    for (int i = 0; i < 2; ++i) PostMessageW(panels[std::size_t(i)], WM_COMMAND, panel_action_command, 0);
    std::printf("downloading the first two packages into %ls\n", downloads.wstring().c_str());
    if (!probe.wait_for([&] { return files_in(downloads, false) >= 2 && files_in(downloads, true) == 0; }))
        return probe.fail("the two downloads did not complete");
    probe.photograph(main, "program-2-downloaded");

    PostMessageW(panels[0], WM_COMMAND, panel_action_command, 0);
    HWND result = nullptr;
    // A driver that cannot be backed up first is asked about: yes, install all the same.
    if (!probe.wait_for([&] {
            answer_boxes(main);
            return (result = FindWindowW(L"VantorelDriverInstallerResult", nullptr)) && IsWindowVisible(result);
        }))
        return probe.fail("the driver installer showed no result");
    probe.photograph(result, "program-3-installer");
    PostMessageW(result, WM_COMMAND, installer_close_id, 0);
    probe.wait_for([&] { return !IsWindow(result); });
    std::printf("installed the first package\n");
    // The program then tells how the installation ended where it has something to say (no
    // restore point where Windows has no System Restore, as under Wine): answered.
    for (int i = 0; i < 10; ++i) {
        Sleep(300);
        answer_boxes(main);
    }

    SendMessageW(main, WM_START_SCAN, 0, 0);
    probe.wait_for([&] { return visible_child(main, L"VantorelScanPage") != nullptr; });
    if (!probe.wait_for([&] { return visible_child(main, L"VantorelDownloadPage") != nullptr; }))
        return probe.fail("the rescan did not reach the results");
    probe.photograph(main, "program-4-rescan");

    click_tab(main, 2);
    if (!visible_child(main, L"VantorelBackupPage")) return probe.fail("the backup page did not show");
    probe.photograph(main, "program-5-backup");
    if (!backups.empty()) {
        // Ctrl+3 focuses the page's tree on its root, Space ticks every package, Tab reaches the
        // button and Enter starts the backup; its result box is answered.
        SetForegroundWindow(main);
        press_keys({'3'}, VK_CONTROL);
        press_keys({VK_SPACE, VK_TAB, VK_RETURN});
        auto archives = [&] {
            int count = 0;
            std::error_code ignored;
            for (const auto& entry : std::filesystem::directory_iterator(backups, ignored))
                if (entry.path().extension() == L".zip") ++count;
            return count;
        };
        if (!probe.wait_for([&] {
                answer_boxes(main);
                return archives() > 0;
            }))
            return probe.fail("the backup wrote no archive");
        std::printf("backed up into %ls\n", backups.wstring().c_str());
        Sleep(1000);
        answer_boxes(main);
        probe.photograph(main, "program-5-backed-up");
    }
    click_tab(main, 3);
    Sleep(500);
    answer_boxes(main);  // "no backup yet"
    if (!visible_child(main, L"VantorelRestorePage")) return probe.fail("the restore page did not show");
    probe.photograph(main, "program-6-restore");
    click_tab(main, 1);
    return true;
}

// Ends the program through its main menu's Exit entry; the exit code of the probe.
int end_through_menu(const probe_c& probe, HWND main) {
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(command_exit, 0), 0);
    if (!probe.wait_for([&] { return !IsWindow(main); })) return probe.fail("the program did not end after Exit"), 1;
    std::printf("the program ended through its menu\n");
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> arguments(argv + 1, argv + argc);
    std::filesystem::path downloads, backups;
    auto take_switch = [&](const wchar_t* name) {
        auto found = std::find(arguments.begin(), arguments.end(), name);
        if (found == arguments.end()) return false;
        arguments.erase(found);
        return true;
    };
    bool shown_only = take_switch(L"--shown");
    bool keep_running = take_switch(L"--keep");
    // A switch with its value, both taken out; a switch without one leaves no usable command line.
    auto take_value = [&](const wchar_t* name, std::filesystem::path& value) {
        auto found = std::find(arguments.begin(), arguments.end(), name);
        if (found == arguments.end()) return;
        if (found + 1 == arguments.end()) {
            arguments.clear();
            return;
        }
        value = *(found + 1);
        arguments.erase(found, found + 2);
    };
    take_value(L"--backups", backups);
    take_value(L"--drive", downloads);
    if (arguments.empty() || arguments.size() > 2) {
        std::fprintf(stderr, "usage: window-probe FOLDER [SECONDS] [--drive DOWNLOADS [--backups BACKUPS] | --shown [--keep]]\n");
        return 2;
    }
    std::filesystem::path folder = arguments[0];
    DWORD limit_ms = (arguments.size() == 2 ? DWORD(std::wcstoul(arguments[1].c_str(), nullptr, 10)) : 180) * 1000;
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    probe_c probe(folder, limit_ms);

    HWND main = nullptr;
    if (!probe.wait_for([&] { return (main = FindWindowW(main_window_class_name, product_title)) != nullptr; }))
        return probe.fail("no program window appeared"), 1;
    std::printf("found the program window\n");
    if (shown_only) {
        if (!probe.wait_for([&] { return IsWindowVisible(main) != FALSE; })) return probe.fail("the window stayed hidden"), 1;
        std::printf("the window shows\n");
        probe.photograph(main, "program-window");
        return keep_running ? 0 : end_through_menu(probe, main);
    }
    bool scan_photographed = false;
    bool results = probe.wait_for([&] {
        if (!scan_photographed && visible_child(main, L"VantorelScanPage"))
            scan_photographed = probe.photograph(main, "program-scan");
        return visible_child(main, L"VantorelDownloadPage") != nullptr;
    });
    if (!results) return probe.fail("the results page did not show"), 1;
    std::printf("the results page shows\n");
    probe.photograph(main, downloads.empty() ? "program-results" : "program-1-results");
    if (!downloads.empty() && !drive(probe, main, downloads, backups)) return 1;
    return end_through_menu(probe, main);
}
