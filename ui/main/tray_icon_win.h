// The program's icon in the notification area: added at start, retried while the shell has no
// notification area yet, added again when Explorer restarts ("TaskbarCreated"), switched to the
// alert icon with a balloon after an automatic scan, and removed at the end. Whether it is there
// decides whether closing the window may hide it.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

class tray_icon_c {
public:
    using notify_t = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAW);

    // notify: the shell call (tests put their own in).
    explicit tray_icon_c(notify_t notify = Shell_NotifyIconW) : notify_(notify) {}
    ~tray_icon_c() { remove(); }
    tray_icon_c(const tray_icon_c&) = delete;
    tray_icon_c& operator=(const tray_icon_c&) = delete;

    // The icon's owner, id, callback message, icon and tip; then tries to add it.
    bool install(HWND owner, UINT id, UINT callback_message, HICON icon, const std::wstring& tip);
    // Tries again unless the icon is there (after a failed add or an Explorer restart).
    bool add();
    // Explorer restarted: its notification area forgot every icon.
    bool readd();
    bool added() const { return added_; }
    // Changes the icon shown (nothing when the icon is not there).
    void set_icon(HICON icon);
    // A balloon (text at most 255, title at most 63 characters) with the information sign, or
    // the given NIIF_ sign.
    void show_balloon(const std::wstring& title, const std::wstring& text, DWORD sign = NIIF_INFO);
    void remove();

private:
    NOTIFYICONDATAW data_{};
    notify_t notify_;
    bool installed_ = false;
    bool added_ = false;
};
