#include "updater/update_progress_window_win.h"

#include "i18n/language_table.h"
#include "ui/kit/dialog_ids.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/dialogs/message_window_win.h"
#include "ui/kit/progress_bar_paint_win.h"
#include "ui/kit/screen_scale_win.h"
#include "ui/kit/skin_ids.h"
#include "ui/kit/skin_images_win.h"
#include "ui/kit/text_drawing_win.h"
#include "ui/kit/ui_fonts_win.h"

namespace {

// The message box's colours and places.
constexpr COLORREF face_colour = RGB(226, 240, 253);
constexpr COLORREF button_band_colour = RGB(139, 184, 241);
constexpr COLORREF text_colour = RGB(91, 135, 201);
constexpr COLORREF bar_edge_colour = RGB(139, 184, 241);
constexpr int button_band_top = 130;
constexpr RECT text_area = {80, 30, 272, 80};
constexpr RECT bar_area = {80, 92, 272, 110};
constexpr int bar_pattern = skin::backup_progress;  // the backup page's progress pattern
constexpr UINT_PTR poll_timer = 2;
constexpr UINT poll_milliseconds = 200;

constexpr INT_PTR ended_complete = 1, ended_cancelled = 2, ended_failed = 3;

}  // namespace

update_progress_window_c::update_progress_window_c(std::wstring text, download_session_c& session)
    : skinned_dialog_c(30), text_(std::move(text)), session_(session) {}

update_download_end_c update_progress_window_c::run(HWND owner) {
    switch (run_modal(owner, IDD_MESSAGE)) {
        case ended_complete: return update_download_end_c::complete;
        case ended_cancelled: return update_download_end_c::cancelled;
        default: return update_download_end_c::failed;
    }
}

bool update_progress_window_c::dialog_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    switch (message) {
        case WM_INITDIALOG: on_init(); result = TRUE; return true;
        case WM_ERASEBKGND: on_erase(reinterpret_cast<HDC>(wparam)); result = 1; return true;
        case WM_PAINT: on_paint(); return true;
        case WM_TIMER: on_timer(); return true;
        case WM_COMMAND:
            if (LOWORD(wparam) == IDCANCEL) cancel();
            return true;
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
            if (item->CtlID != IDC_MESSAGE_TEXT) return false;
            draw_text(*item);
            result = TRUE;
            return true;
        }
        default: return false;
    }
}

void update_progress_window_c::on_init() {
    size_and_centre(handle(), width, height);
    SetDlgItemTextW(handle(), IDC_MESSAGE_TEXT, text_.c_str());
    place_control(handle(), IDC_MESSAGE_TEXT, text_area.left, text_area.top, text_area.right - text_area.left,
                  text_area.bottom - text_area.top);
    reset_region(handle());
    ShowWindow(GetDlgItem(handle(), IDOK), SW_HIDE);
    HWND cancel = GetDlgItem(handle(), IDCANCEL);
    SetWindowTextW(cancel, language_text("btn_cancel").c_str());
    cancel_.attach(cancel, skin::message_button, verdana(9, font_weight_c::bold));
    place_control(handle(), IDCANCEL, 115, 136, 70, 24);
    SetFocus(cancel);
    if (session_.state != download_state_c::complete && !session_.start_download()) {
        end_dialog(ended_failed);
        return;
    }
    SetTimer(handle(), poll_timer, poll_milliseconds, nullptr);
    if (session_.state == download_state_c::complete) on_timer();
}

void update_progress_window_c::on_erase(HDC dc) {
    design_units_c design(dc, window_dpi(handle()));
    const RECT client = design_paint_rect(handle());
    fill_solid(dc, client, face_colour);
    RECT band = client;
    band.top = button_band_top;
    fill_solid(dc, band, button_band_colour);
}

float update_progress_window_c::fraction() const {
    const std::uint32_t expected = session_.job.expected_size;
    return expected ? float(session_.job.bytes_done.load()) / float(expected) : 0.0f;
}

void update_progress_window_c::on_paint() {
    paint_dc_c paint(handle());
    design_units_c design(paint.get(), window_dpi(handle()));
    draw_skin_image(paint.get(), message_kind_icon(message_kind_c::information), 15, 30);
    RECT edge = bar_area;
    InflateRect(&edge, 1, 1);
    frame_solid(paint.get(), edge, bar_edge_colour);
    paint_progress_bar(paint.get(), bar_area, fraction(), bar_pattern);
}

void update_progress_window_c::on_timer() {
    if (session_.state == download_state_c::downloading && !session_.poll_worker()) {
        RECT bar = to_screen(bar_area, window_dpi(handle()));
        InflateRect(&bar, 1, 1);
        InvalidateRect(handle(), &bar, FALSE);
        return;
    }
    KillTimer(handle(), poll_timer);
    if (cancelling_) end_dialog(ended_cancelled);
    else if (session_.state == download_state_c::complete) end_dialog(ended_complete);
    else end_dialog(ended_failed);
}

// The worker is asked to stop; the window ends when it has (the next tick finds it ended).
void update_progress_window_c::cancel() {
    cancelling_ = true;
    if (session_.worker_running()) session_.request_pause();
    else on_timer();
}

void update_progress_window_c::draw_text(const DRAWITEMSTRUCT& item) {
    const unsigned dpi = window_dpi(item.hwndItem);
    design_units_c design(item.hDC, dpi);
    RECT area = to_design(item.rcItem, dpi);
    fill_solid(item.hDC, area, face_colour);
    selection_c selected(item.hDC, verdana(10));
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, text_colour);
    draw_wrapped_text(item.hDC, text_, area, 6, false);
}
