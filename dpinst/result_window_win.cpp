#include "dpinst/result_window_win.h"

#include "ui/kit/window_base_win.h"

#include <windows.h>

namespace {

class result_window_c : public window_base_c {
public:
    result_window_c(std::wstring summary, std::wstring details) : summary_(std::move(summary)), details_(std::move(details)) {}

    bool open(const std::wstring& title) {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        if (!register_class(result_window_class, instance, LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_INFORMATION))))
            return false;
        HWND window = create(result_window_class, title.c_str(), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                             CW_USEDEFAULT, CW_USEDEFAULT, 560, 320);
        if (!window) return false;
        ShowWindow(window, SW_SHOWNORMAL);
        UpdateWindow(window);
        return true;
    }

protected:
    bool on_message(UINT message, WPARAM wparam, LPARAM, LRESULT& result) override {
        switch (message) {
            case WM_CREATE:
                result = on_create() ? 0 : -1;
                return true;
            case WM_COMMAND:
                if (LOWORD(wparam) == result_close_id || LOWORD(wparam) == IDCANCEL) DestroyWindow(handle());
                return true;
            case WM_CLOSE:
                DestroyWindow(handle());
                return true;
            case WM_DESTROY:
                PostQuitMessage(0);
                return true;
            default:
                return false;
        }
    }

private:
    HWND child(const wchar_t* kind, const wchar_t* text, DWORD style, int x, int y, int width, int height, int id) {
        HWND control = CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, handle(),
                                       reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleW(nullptr), nullptr);
        if (control) SendMessageW(control, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
        return control;
    }

    bool on_create() {
        RECT client{};
        GetClientRect(handle(), &client);
        int width = client.right - 24;
        return child(L"STATIC", summary_.c_str(), SS_LEFT, 12, 12, width, 20, result_summary_id) &&
               child(L"EDIT", details_.c_str(), WS_BORDER | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                                                    ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                     12, 40, width, client.bottom - 92, result_details_id) &&
               child(L"BUTTON", L"Close", WS_TABSTOP | BS_DEFPUSHBUTTON, client.right - 112, client.bottom - 40, 100, 28,
                     result_close_id);
    }

    std::wstring summary_;
    std::wstring details_;
};

}  // namespace

void show_result_window(const std::wstring& title, const std::wstring& summary, const std::vector<std::wstring>& lines) {
    std::wstring details;
    for (const auto& line : lines) details += line + L"\r\n";
    if (details.empty()) details = L"No driver package was found.";
    result_window_c window(summary, details);
    if (!window.open(title)) return;
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (window.handle() && IsDialogMessageW(window.handle(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}
