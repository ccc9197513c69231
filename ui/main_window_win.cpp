#include "ui/main_window_win.h"

#include "app/application_win.h"
#include "app/command_line.h"
#include "app/process_arguments_win.h"
#include "app/shared_fonts_win.h"
#include "service/last_error.h"
#include "ui/window_messages.h"

#include <cwchar>
#include <string>

namespace {

constexpr int window_width = 800;
constexpr int window_height = 600;

int updates_found(const device_store_c* store) {
    int count = 0;
    if (store)
        for (const auto& device : store->devices) count += device.best_is_update ? 1 : 0;
    return count;
}

}  // namespace

main_window_c::~main_window_c() { join_worker(); }

bool main_window_c::create_main_window() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!register_class(main_window_class_name, instance,
                        LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION))))
        return false;
    int x = (GetSystemMetrics(SM_CXSCREEN) - window_width) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - window_height) / 2;
    DWORD style = WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
    return create(main_window_class_name, product_title, style, x < 0 ? 0 : x, y < 0 ? 0 : y, window_width,
                  window_height) != nullptr;
}

bool main_window_c::on_message(UINT message, WPARAM wparam, LPARAM, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_CREATE: on_create(); return true;
        case WM_SHOW_INSTANCE: on_show_instance(wparam != 0); return true;
        case WM_START_SCAN: on_start_scan(); return true;
        case WM_TIMER:
            if (wparam != scan_timer_id) return false;
            on_scan_tick();
            return true;
        case WM_PAINT: on_paint(); return true;
        case WM_CLOSE: on_close(); return true;
        case WM_DESTROY: on_destroy(); return true;
        default: return false;
    }
}

void main_window_c::on_create() {
    // "--autoscan": the scan starts before the window is first shown.
    if (is_single_switch(process_arguments(), autoscan_switch)) SendMessageW(handle(), WM_START_SCAN, 0, 0);
}

void main_window_c::on_show_instance(bool start_scan) {
    ShowWindow(handle(), SW_SHOW);
    SetForegroundWindow(handle());
    BringWindowToTop(handle());
    if (start_scan && !scan_running()) SendMessageW(handle(), WM_START_SCAN, 0, 0);
}

void main_window_c::on_paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(handle(), &paint);
    HGDIOBJ previous = SelectObject(dc, shared_fonts().font(10));
    const device_store_c* store = application().device_store.get();
    std::wstring text;
    wchar_t line[160];
    switch (scan_state_) {
        case scan_state_c::idle: text = L"Ready."; break;
        case scan_state_c::enumerating:
            std::swprintf(line, 160, L"Scanning devices: %d of %d", int(progress_.scanned.load()),
                          int(progress_.total.load()));
            text = line;
            text += L"\n" + progress_.current_name();
            break;
        case scan_state_c::querying: text = L"Asking the update server..."; break;
        case scan_state_c::results:
            std::swprintf(line, 160, L"%d devices found, %d with a newer driver.",
                          int(store ? store->devices.size() : 0), updates_found(store));
            text = line;
            break;
        case scan_state_c::failed:
            std::swprintf(line, 160, L"The scan failed (error %d).", int(last_error()));
            text = line;
            break;
    }
    RECT area;
    GetClientRect(handle(), &area);
    InflateRect(&area, -20, -20);
    DrawTextW(dc, text.c_str(), int(text.size()), &area, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
    if (previous) SelectObject(dc, previous);
    EndPaint(handle(), &paint);
}

void main_window_c::on_close() { DestroyWindow(handle()); }

void main_window_c::on_destroy() {
    KillTimer(handle(), scan_timer_id);
    join_worker();
    PostQuitMessage(0);
}
