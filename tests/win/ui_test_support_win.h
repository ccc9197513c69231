// What the window tests share: waits on conditions while the windows handle their messages,
// screenshots written as PNG under build/test-results/screens/<build>/<language>/, pixel probes,
// synthesized mouse and keyboard input (SendInput), a helper that answers modal boxes from another
// thread after reading them, a count of this process's GDI objects, and the language table loaded
// from the source tree.
#pragma once

#include "system/scheduled_scan_box.h"
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

// ---- waits
// How long the waits below allow before they fail: a 32-bit Wine may run under an emulator, where
// everything takes several times as long.
constexpr DWORD ui_timeout_ms = 20000;
// Lets this thread's windows handle their messages for a while.
void pump_messages(DWORD milliseconds);
// Runs this thread's messages until the condition holds or the time is up; its last value.
bool pump_until(const std::function<bool()>& condition, DWORD timeout_ms);
// Runs this thread's messages until the mouse and keyboard input sent to its windows has been
// handled, with what that posted; whether it was within the time.
bool pump_until_input_handled(DWORD timeout_ms = ui_timeout_ms);
// Whether the window and its visible children have nothing left to paint (any thread's window).
bool painted(HWND window);
// Runs this thread's messages until the window and its visible children have painted and nothing
// is posted to this thread, and that holds for a moment (X events that answer a map or a move
// come from outside the queue); whether it got there within the time.
bool pump_until_painted(HWND window, DWORD timeout_ms = ui_timeout_ms);
// Checks the condition every few milliseconds without handling messages, for a thread that owns
// no window, until it holds or the time is up; its last value.
bool wait_until(const std::function<bool()>& condition, DWORD timeout_ms);

// ---- pixels
// Whether two colours differ by at most tolerance in every channel.
bool colour_near(COLORREF a, COLORREF b, int tolerance = 6);
// Writes the window's screenshot to screens/<build>/<language code>[@<scale %>]/<name>.png; the
// path. Also checks the window's layout: every visible control inside its parent and over no
// sibling.
std::filesystem::path save_screenshot(HWND window, const std::string& name);

// ---- input (screen coordinates)
// The screen point at the centre of a rectangle given in the window's design units (its client
// area laid out at 96 DPI), as the window's scale puts it on the screen.
POINT design_centre_on_screen(HWND window, const RECT& design);
// Sent from the thread of the windows that take it, each event is handled before the next goes;
// from another thread, a pause follows each event, as a hand makes.
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
    // A new dialog is answered once it has painted and settle_ms more have passed (the time its
    // thread needs to put it on the screen, or a time it has to stay up).
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
// Whether a menu of the thread is open on the screen (a visible window of the class "#32768").
bool menu_shown(DWORD ui_thread);

// ---- GDI objects
// GDI objects this process holds now, read from the GDI handle table (GetGuiResources gives 0
// under Wine); -1 where the table cannot be read.
int gdi_object_count();

// ---- texts
// Loads the language table from the source tree's "language.ini", English filling the gaps, and
// lays the windows made from now on out for it (mirrored for a language read right to left).
void load_test_language(const std::wstring& name);
// The short name of the current language for screenshot folders: en, de, fr, jp...
std::string test_language_code();
// The languages the screenshots are made in (all eleven of "language.ini"), as test parameters,
// and their test names.
inline auto screenshot_languages() {
    return ::testing::Values(L"English", L"Deutsch", L"Espa\u00F1ol", L"Fran\u00E7ais", L"Italiano",
                             L"\u65E5\u672C\u8A9E", L"\u7B80\u4F53\u4E2D\u6587", L"\u7E41\u9AD4\u4E2D\u6587",
                             L"Nederlands", L"Portugu\u00EAs", L"\u0627\u0644\u0639\u0631\u0628\u064A\u0629");
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
