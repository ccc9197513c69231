#include "ui/main/tray_icon_win.h"

#include <cwchar>

namespace {

template <std::size_t size>
void copy_bounded(wchar_t (&target)[size], const std::wstring& text) {
    std::wcsncpy(target, text.c_str(), size - 1);
    target[size - 1] = L'\0';
}

}  // namespace

bool tray_icon_c::install(HWND owner, UINT id, UINT callback_message, HICON icon, const std::wstring& tip) {
    data_ = NOTIFYICONDATAW{};
    data_.cbSize = sizeof data_;
    data_.hWnd = owner;
    data_.uID = id;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data_.uCallbackMessage = callback_message;
    data_.hIcon = icon;
    copy_bounded(data_.szTip, tip);
    installed_ = true;
    return add();
}

bool tray_icon_c::add() {
    if (!installed_) return false;
    if (added_) return true;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    added_ = notify_(NIM_ADD, &data_) != FALSE;
    return added_;
}

bool tray_icon_c::readd() {
    added_ = false;
    return add();
}

void tray_icon_c::set_icon(HICON icon) {
    data_.hIcon = icon;
    if (!added_) return;
    data_.uFlags = NIF_ICON;
    notify_(NIM_MODIFY, &data_);
}

void tray_icon_c::show_balloon(const std::wstring& title, const std::wstring& text, DWORD sign) {
    if (!added_) return;
    NOTIFYICONDATAW balloon = data_;
    balloon.uFlags = NIF_INFO;
    copy_bounded(balloon.szInfo, text);
    copy_bounded(balloon.szInfoTitle, title);
    balloon.dwInfoFlags = sign;
    balloon.uTimeout = UINT(-1);
    notify_(NIM_MODIFY, &balloon);
}

void tray_icon_c::remove() {
    if (!added_) return;
    data_.uFlags = 0;
    notify_(NIM_DELETE, &data_);
    added_ = false;
}
