#include "tests/win/ui_test_support_win.h"
#include "ui/kit/screen_scale_win.h"
#include "common/text_convert.h"

#include "ui/kit/shared_fonts_win.h"
#include "i18n/language_table.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/reading_direction_win.h"

#include <winternl.h>

#include <algorithm>
#include <cwchar>
#include <utility>
#include <vector>
#include <cstdlib>

// ---------------------------------------------------------------- waits

namespace {

// Handles what the queue holds until it is empty (where Wine also puts what was drawn on the
// screen).
void handle_queued_messages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Mouse or keyboard input queued for this thread's windows and not yet taken.
bool input_waiting() { return HIWORD(GetQueueStatus(QS_MOUSE | QS_KEY)) != 0; }

BOOL CALLBACK find_unpainted(HWND child, LPARAM found) {
    if (!IsWindowVisible(child) || !GetUpdateRect(child, nullptr, FALSE)) return TRUE;
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

}  // namespace

void pump_messages(DWORD milliseconds) {
    DWORD start = GetTickCount();
    do {
        handle_queued_messages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < milliseconds);
}

bool pump_until(const std::function<bool()>& condition, DWORD timeout_ms) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeout_ms) return condition();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        handle_queued_messages();
    }
    return true;
}

bool pump_until_input_handled(DWORD timeout_ms) {
    DWORD start = GetTickCount();
    for (;;) {
        handle_queued_messages();
        if (!input_waiting()) return true;
        if (GetTickCount() - start > timeout_ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

bool painted(HWND window) {
    if (IsWindowVisible(window) && GetUpdateRect(window, nullptr, FALSE)) return false;
    bool unpainted = false;
    EnumChildWindows(window, find_unpainted, reinterpret_cast<LPARAM>(&unpainted));
    return !unpainted;
}

bool pump_until_painted(HWND window, DWORD timeout_ms) {
    constexpr DWORD quiet_ms = 100;
    DWORD start = GetTickCount(), settled_at = 0;
    bool settled = false;
    for (;;) {
        handle_queued_messages();
        DWORD now = GetTickCount();
        if (!painted(window) || HIWORD(GetQueueStatus(QS_POSTMESSAGE | QS_SENDMESSAGE | QS_PAINT)) != 0) {
            settled = false;
        } else if (!settled) {
            settled = true;
            settled_at = now;
        } else if (now - settled_at >= quiet_ms) {
            return true;
        }
        if (now - start > timeout_ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

bool wait_until(const std::function<bool()>& condition, DWORD timeout_ms) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeout_ms) return condition();
        Sleep(10);
    }
    return true;
}

// ---------------------------------------------------------------- pixels

bool colour_near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(int(GetRValue(a)) - int(GetRValue(b))) <= tolerance &&
           std::abs(int(GetGValue(a)) - int(GetGValue(b))) <= tolerance &&
           std::abs(int(GetBValue(a)) - int(GetBValue(b))) <= tolerance;
}

namespace {

std::string window_label(HWND window) {
    wchar_t class_name[64] = {}, text[64] = {};
    GetClassNameW(window, class_name, 64);
    GetWindowTextW(window, text, 64);
    return std::string(class_name, class_name + wcslen(class_name)) + " \"" + wide_to_utf8(text) + "\"";
}

// Every visible control lies inside its parent's client area and over no visible sibling, as a
// user would see it (a scrolling list's panels may lie beyond it, never over each other).
void expect_tidy_layout(HWND parent, const std::string& shot) {
    RECT area{};
    GetClientRect(parent, &area);
    MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&area), 2);
    if (area.left > area.right) std::swap(area.left, area.right);  // a mirrored window
    wchar_t class_name[64] = {};
    GetClassNameW(parent, class_name, 64);
    const bool scrolling = wcscmp(class_name, L"VantorelPanelList") == 0;
    std::vector<std::pair<HWND, RECT>> shown;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        RECT rect{};
        GetWindowRect(child, &rect);
        if (rect.right <= rect.left || rect.bottom <= rect.top) continue;
        RECT inside{};
        if (!scrolling && (!IntersectRect(&inside, &rect, &area) || !EqualRect(&inside, &rect)))
            ADD_FAILURE() << shot << ": " << window_label(child) << " lies outside " << window_label(parent);
        for (const auto& [sibling, other] : shown)
            if (IntersectRect(&inside, &rect, &other))
                ADD_FAILURE() << shot << ": " << window_label(child) << " lies over " << window_label(sibling);
        shown.emplace_back(child, rect);
        expect_tidy_layout(child, shot);
    }
}

}  // namespace

POINT design_centre_on_screen(HWND window, const RECT& design) {
    const unsigned dpi = window_dpi(window);
    POINT at = {to_screen((design.left + design.right) / 2, dpi), to_screen((design.top + design.bottom) / 2, dpi)};
    ClientToScreen(window, &at);
    return at;
}

std::filesystem::path save_screenshot(HWND window, const std::string& name) {
    expect_tidy_layout(window, name);
    window_pixels_c image = capture_window(window);
    const char* build = sizeof(void*) == 8 ? "win64" : "win32";
    // The source tree is reachable through Wine's drive of the root folder.
    // Another scale than 100 % has folders of its own: "en@150".
    const unsigned scale = window_dpi(window) * 100 / design_dpi;
    const std::string language = test_language_code() + (scale == 100 ? std::string() : "@" + std::to_string(scale));
    std::filesystem::path folder =
        std::filesystem::path(VANTOREL_SOURCE_DIR) / "build" / "test-results" / "screens" / build / language;
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    std::filesystem::path file = folder / (name + ".png");
    return write_png(image, file) ? file : std::filesystem::path();
}

// ---------------------------------------------------------------- input

namespace {

// After input sent from this thread: handled here when it went to this thread's windows (a press
// has taken the mouse before the next event is sent); otherwise the pause of a hand, while the
// windows' own thread takes it.
void let_input_through(DWORD pause_ms) {
    if (input_waiting())
        pump_until_input_handled();
    else
        pump_messages(pause_ms);
}

void send_mouse(DWORD flags, int x = 0, int y = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
        input.mi.dx = LONG((x * 65535LL + width / 2) / (width - 1));
        input.mi.dy = LONG((y * 65535LL + height / 2) / (height - 1));
    }
    SendInput(1, &input, sizeof input);
    let_input_through(60);
}

}  // namespace

void mouse_move_to(int x, int y) { send_mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y); }
void mouse_press() { send_mouse(MOUSEEVENTF_LEFTDOWN); }
void mouse_release() { send_mouse(MOUSEEVENTF_LEFTUP); }

void mouse_click_at(int x, int y) {
    mouse_move_to(x, y);
    mouse_press();
    mouse_release();
}

void mouse_double_click_at(int x, int y) {
    mouse_move_to(x, y);
    INPUT inputs[4] = {};
    DWORD flags[4] = {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
    for (int i = 0; i < 4; ++i) {
        inputs[i].type = INPUT_MOUSE;
        inputs[i].mi.dwFlags = flags[i];
    }
    SendInput(4, inputs, sizeof(INPUT));
    let_input_through(150);
}

void press_key(WORD key) {
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = key;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

POINT screen_point(HWND window, int x, int y) {
    RECT rect;
    GetWindowRect(window, &rect);
    return POINT{rect.left + x, rect.top + y};
}

// ---------------------------------------------------------------- modal boxes

std::wstring dialog_text(HWND dialog) {
    std::wstring result;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[32] = {};
        GetClassNameW(child, name, 32);
        if (lstrcmpiW(name, L"Static") != 0) continue;
        wchar_t text[1024] = {};
        GetWindowTextW(child, text, 1024);
        if (*text) result += (result.empty() ? L"" : L"\n") + std::wstring(text);
    }
    return result;
}

void press_dialog_button(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (button) PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    else PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

namespace {

// Collects the visible dialogs (class "#32770") of a thread.
BOOL CALLBACK collect_dialog(HWND window, LPARAM data) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (IsWindowVisible(window) && lstrcmpW(name, L"#32770") == 0) reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
    return TRUE;
}

BOOL CALLBACK find_menu_window(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (!IsWindowVisible(window) || lstrcmpW(name, L"#32768") != 0) return TRUE;
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

}  // namespace

bool menu_shown(DWORD ui_thread) {
    bool found = false;
    EnumThreadWindows(ui_thread, find_menu_window, reinterpret_cast<LPARAM>(&found));
    return found;
}

modal_answerer_c::modal_answerer_c(DWORD ui_thread, answer_t answer, DWORD settle_ms)
    : ui_thread_(ui_thread), answer_(std::move(answer)), settle_ms_(settle_ms), thread_([this] { watch(); }) {}

modal_answerer_c::~modal_answerer_c() {
    stop_ = true;
    thread_.join();
}

std::vector<std::wstring> modal_answerer_c::texts() const {
    std::lock_guard<std::mutex> guard(lock_);
    return texts_;
}

void modal_answerer_c::watch() {
    while (!stop_) {
        std::vector<HWND> found;
        EnumThreadWindows(ui_thread_, collect_dialog, reinterpret_cast<LPARAM>(&found));
        for (HWND dialog : found) {
            if (std::find(seen_.begin(), seen_.end(), dialog) != seen_.end()) continue;
            seen_.push_back(dialog);
            wait_until([&] { return stop_.load() || painted(dialog); }, ui_timeout_ms);
            Sleep(settle_ms_);
            std::wstring text = dialog_text(dialog);
            {
                std::lock_guard<std::mutex> guard(lock_);
                texts_.push_back(text);
            }
            answer_(dialog, text);
        }
        // A closed dialog's handle may come back for a new one.
        seen_.erase(std::remove_if(seen_.begin(), seen_.end(), [](HWND window) { return !IsWindow(window); }), seen_.end());
        Sleep(15);
    }
}

// ---------------------------------------------------------------- GDI objects

namespace {

// One entry of the GDI handle table whose address the process environment block holds (the
// same 24-byte layout on Windows and in Wine for 64-bit processes).
struct gdi_table_entry_c {
    std::uint64_t object;
    std::uint16_t owner_process;
    std::uint16_t count;
    std::uint8_t type;
    std::uint8_t flags;
    std::uint8_t extra_type;
    std::uint8_t generation;
    std::uint64_t user_pointer;
};
static_assert(sizeof(gdi_table_entry_c) == 24, "GDI handle table entry");
constexpr int gdi_table_entries = 0x10000;

const gdi_table_entry_c* gdi_table() {
#ifdef _WIN64
    using query_t = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<query_t>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) return nullptr;
    // GdiSharedHandleTable in the 64-bit process environment block.
    auto peb = reinterpret_cast<const unsigned char*>(basic.PebBaseAddress);
    return *reinterpret_cast<const gdi_table_entry_c* const*>(peb + 0xF8);
#else
    return nullptr;
#endif
}

// Entries in use whose owner field matches owner.
int count_owned(const gdi_table_entry_c* table, std::uint16_t owner) {
    int count = 0;
    for (int i = 0; i < gdi_table_entries; ++i)
        if (table[i].type && table[i].owner_process == owner) ++count;
    return count;
}

}  // namespace

int gdi_object_count() {
    const gdi_table_entry_c* table = gdi_table();
    if (!table) return -1;
    // The owner field of this process's entries (the process id, or a form of it, depending on
    // the system): read from the entry of a brush made for the purpose (the low 16 bits of a
    // GDI handle index the table).
    static int owner = -1;
    if (owner < 0) {
        brush_c probe(CreateSolidBrush(RGB(1, 2, 3)));
        const gdi_table_entry_c& entry = table[reinterpret_cast<std::uintptr_t>(probe.get()) & 0xFFFF];
        if (!entry.type) return -1;
        owner = entry.owner_process;
    }
    return count_owned(table, std::uint16_t(owner));
}

// ---------------------------------------------------------------- texts

void load_test_language(const std::wstring& name) {
    language_table().clear();
    current_language_index() = 0;
    const char* file = VANTOREL_SOURCE_DIR "/i18n/language.ini";
    load_language_file(file, name, true);
    if (lstrcmpiW(name.c_str(), L"English") != 0) load_language_file(file, L"English", false);
    if (!shared_fonts().font(1)) shared_fonts().create();
    // Windows made from now on read as the program lays them out for these texts (mirrored for
    // Arabic), as the program's start-up does.
    apply_reading_direction();
}

std::string test_language_code() { return language_code(); }

std::string language_test_name(const ::testing::TestParamInfo<const wchar_t*>& language) {
    static const char* const names[] = {"english", "deutsch",    "espanol",   "francais",   "italiano", "japanese",
                                        "chinese_simplified", "chinese_traditional", "nederlands", "portugues", "arabic"};
    constexpr std::size_t known = sizeof names / sizeof names[0];
    return language.index < known ? names[language.index] : "language" + std::to_string(language.index);
}
