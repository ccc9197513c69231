// Watches the running program from outside, as a person at the screen would: finds its main
// window, photographs the scan page while it is up and the results page once it shows, then ends
// the program through its main menu's Exit entry and waits for the window to go.
//
//   window-probe FOLDER [SECONDS]   screenshots into FOLDER; gives up after SECONDS (default 180)
//
// Exit code 0 when the results were reached and the program ended, 1 otherwise (with the reason
// on standard error), 2 on a wrong command line.
#include "tests/win/window_capture_win.h"
#include "ui/main_menu_win.h"
#include "ui/window_messages.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <string>

namespace {

HWND visible_child(HWND parent, const wchar_t* class_name) {
    HWND child = FindWindowExW(parent, nullptr, class_name, nullptr);
    return child && IsWindowVisible(child) ? child : nullptr;
}

bool photograph(HWND window, const std::filesystem::path& file) {
    // Let the page finish painting what it just changed.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    Sleep(400);
    bool written = write_png(capture_window(window), file);
    std::printf("%s %ls\n", written ? "saved" : "could not save", file.wstring().c_str());
    return written;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: window-probe FOLDER [SECONDS]\n");
        return 2;
    }
    std::filesystem::path folder = argv[1];
    DWORD limit_ms = (argc == 3 ? DWORD(std::wcstoul(argv[2], nullptr, 10)) : 180) * 1000;
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    DWORD start = GetTickCount();
    auto in_time = [&] { return GetTickCount() - start < limit_ms; };

    HWND main = nullptr;
    while (in_time() && !(main = FindWindowW(main_window_class_name, product_title))) Sleep(100);
    if (!main) {
        std::fprintf(stderr, "window-probe: no program window appeared\n");
        return 1;
    }
    std::printf("found the program window\n");
    bool scan_photographed = false;
    HWND results = nullptr;
    while (in_time() && IsWindow(main) && !(results = visible_child(main, L"VantorelDownloadPage"))) {
        if (!scan_photographed && visible_child(main, L"VantorelScanPage"))
            scan_photographed = photograph(main, folder / "program-scan.png");
        Sleep(100);
    }
    if (!results) {
        std::fprintf(stderr, "window-probe: the results page did not show\n");
        return 1;
    }
    std::printf("the results page shows\n");
    photograph(main, folder / "program-results.png");

    PostMessageW(main, WM_COMMAND, MAKEWPARAM(command_exit, 0), 0);
    while (in_time() && IsWindow(main)) Sleep(100);
    if (IsWindow(main)) {
        std::fprintf(stderr, "window-probe: the program did not end after Exit\n");
        return 1;
    }
    std::printf("the program ended through its menu\n");
    return 0;
}
