// What the window tests share: screenshots written as PNG under
// build/test-results/screens/<build>/<language>/, pixel probes, synthesized mouse and keyboard
// input (SendInput), a helper that answers modal boxes from another thread after reading them, a
// count of this process's GDI objects, and the language table loaded from the source tree.
#pragma once

#include "app/scheduled_scan_box.h"
#include "tests/win/window_capture_win.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Lets this thread's windows handle their messages for a while.
void pump_messages(DWORD milliseconds);

// ---- pixels
// Whether two colours differ by at most tolerance in every channel.
bool colour_near(COLORREF a, COLORREF b, int tolerance = 6);
// Writes the window's screenshot to screens/<build>/<language code>/<name>.png; the path.
std::filesystem::path save_screenshot(HWND window, const std::string& name);

// ---- input (screen coordinates)
void mouse_move_to(int x, int y);
void mouse_press();
void mouse_release();
void mouse_click_at(int x, int y);
void mouse_double_click_at(int x, int y);
void press_key(WORD key);
// A point of a window in window coordinates, on the screen.
POINT screen_point(HWND window, int x, int y);

// ---- modal boxes
// Watches the given thread's top-level dialogs from a thread of its own; each new visible dialog
// is handed to the answer function (on the watching thread), which reads and closes it.
class modal_answerer_c {
public:
    using answer_t = std::function<void(HWND dialog, const std::wstring& text)>;
    // settle_ms: how long a new dialog is left to paint before it is answered.
    modal_answerer_c(DWORD ui_thread, answer_t answer, DWORD settle_ms = 250);
    ~modal_answerer_c();
    modal_answerer_c(const modal_answerer_c&) = delete;
    modal_answerer_c& operator=(const modal_answerer_c&) = delete;
    std::vector<std::wstring> texts() const;

private:
    void watch();
    DWORD ui_thread_;
    answer_t answer_;
    DWORD settle_ms_;
    std::atomic<bool> stop_{false};
    std::vector<HWND> seen_;
    std::vector<std::wstring> texts_;
    mutable std::mutex lock_;
    std::thread thread_;
};
// The text a box shows: the program's message box's text, or the static texts of a system box.
std::wstring dialog_text(HWND dialog);
// Presses a dialog's button by id as a click would (from any thread).
void press_dialog_button(HWND dialog, int id);

// ---- GDI objects
// GDI objects this process holds now, read from the GDI handle table (GetGuiResources gives 0
// under Wine); -1 where the table cannot be read.
int gdi_object_count();

// ---- texts
// Loads the language table from the source tree's "language.ini", English filling the gaps.
void load_test_language(const std::wstring& name);
// The short name of the current language for screenshot folders: en, de, fr, jp...
std::string test_language_code();
// The languages the screenshots are made in, as test parameters, and their test names.
inline auto screenshot_languages() {
    return ::testing::Values(L"English", L"Deutsch", L"Fran\u00E7ais", L"\u65E5\u672C\u8A9E");
}
std::string language_test_name(const ::testing::TestParamInfo<const wchar_t*>& language);

// The weekly scan's work item calls, all succeeding without touching the Task Scheduler: for
// tests that open the settings dialog for its looks, not for its schedule box.
class succeeding_task_calls_c final : public scan_task_calls_c {
public:
    bool create() override { return true; }
    bool enable(bool) override { return true; }
    bool edit() override { return true; }
};
