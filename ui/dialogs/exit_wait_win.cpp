#include "ui/dialogs/exit_wait_win.h"

#include "ui/dialogs/message_window_win.h"

bool wait_with_notice(HWND owner, const std::wstring& text, const std::function<bool()>& running,
                      std::chrono::milliseconds limit) {
    if (!running()) return true;
    const auto until = std::chrono::steady_clock::now() + limit;
    auto waiting = [&] { return running() && std::chrono::steady_clock::now() < until; };
    message_window_c notice(text, message_kind_c::information);
    notice.close_when([&] { return !waiting(); });
    notice.run(owner);
    // Closed early: the owner stays out of reach for the rest of the wait, as under the notice.
    const bool enabled = owner && waiting() && !EnableWindow(owner, FALSE);
    bool quitting = false;
    while (waiting() && !quitting) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            // The loop that ends the program takes its quit message after this wait.
            if (message.message == WM_QUIT) {
                PostQuitMessage(int(message.wParam));
                quitting = true;
                break;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    if (enabled) EnableWindow(owner, TRUE);
    return !running();
}
