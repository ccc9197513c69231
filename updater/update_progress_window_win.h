// The download of the installer, in the message box's skin: its text, a progress bar and Cancel.
// The window starts the session's worker and polls it every 200 ms, as the download panels do.
#pragma once

#include "download/download_session.h"
#include "ui/kit/bitmap_button_win.h"
#include "ui/kit/skinned_dialog_win.h"

#include <string>

enum class update_download_end_c { complete, failed, cancelled };

class update_progress_window_c : public skinned_dialog_c<update_progress_window_c> {
public:
    update_progress_window_c(std::wstring text, download_session_c& session);
    update_download_end_c run(HWND owner);

    static constexpr int width = 300, height = 200;

protected:
    bool dialog_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
    void decline() override { cancel(); }

private:
    void on_init();
    void on_erase(HDC dc);
    void on_paint();
    void on_timer();
    void draw_text(const DRAWITEMSTRUCT& item);
    void cancel();
    float fraction() const;

    std::wstring text_;
    download_session_c& session_;
    bitmap_button_c cancel_;
    bool cancelling_ = false;
};
