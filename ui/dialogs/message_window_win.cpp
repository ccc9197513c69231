#include "ui/dialogs/message_window_win.h"

#include "i18n/language_table.h"
#include "ui/kit/dialog_ids.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/screen_scale_win.h"
#include "ui/kit/skin_ids.h"
#include "ui/kit/skin_images_win.h"
#include "ui/kit/text_drawing_win.h"
#include "ui/kit/ui_fonts_win.h"

#include <algorithm>

namespace {

constexpr COLORREF face_colour = RGB(226, 240, 253);
constexpr COLORREF button_band_colour = RGB(139, 184, 241);
constexpr COLORREF text_colour = RGB(91, 135, 201);
constexpr int button_band_top = 130;
constexpr RECT text_area = {80, 30, 272, 124};
constexpr UINT_PTR done_timer_id = 1;

// Where the one or two buttons go on the band: their width, the left edge of the left one
// (No, Cancel) and of the right one (OK, Yes, Retry).
struct button_row_c {
    int width, left_left, right_left;
};

// 70 pixels each, 60 apart, unless a caption needs more: then as wide as it needs (up to 120,
// where the button takes a smaller font) and 20 apart.
button_row_c button_row(int count, int caption_width) {
    const int box = message_window_c::width;
    const int button = std::clamp(caption_width + 16, 70, 120);
    if (count == 1) return {button, (box - button) / 2, (box - button) / 2};
    const int gap = button == 70 ? 60 : 20;
    const int left = (box - 2 * button - gap) / 2;
    return {button, left, left + button + gap};
}

}  // namespace

int message_kind_icon(message_kind_c kind) {
    switch (kind) {
        case message_kind_c::information: return skin::message_information;
        case message_kind_c::warning: return skin::message_warning;
        case message_kind_c::question: return skin::message_question;
        default: return skin::message_error;
    }
}

message_window_c::message_window_c(std::wstring text, message_kind_c kind)
    : skinned_dialog_c(30), text_(std::move(text)), kind_(kind) {}

message_answer_c message_window_c::run(HWND owner) {
    INT_PTR result = run_modal(owner, IDD_MESSAGE);
    return result == 1 ? message_answer_c::accept : message_answer_c::decline;
}

bool message_window_c::dialog_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    switch (message) {
        case WM_INITDIALOG: on_init(); result = TRUE; return true;
        case WM_ERASEBKGND: on_erase(reinterpret_cast<HDC>(wparam)); result = 1; return true;
        case WM_PAINT: on_paint(); return true;
        case WM_COMMAND: on_command(LOWORD(wparam)); return true;
        case WM_TIMER:
            if (wparam != done_timer_id) return false;
            if (done_ && done_()) end_dialog(1);
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

void message_window_c::on_init() {
    size_and_centre(handle(), width, height);
    if (done_) SetTimer(handle(), done_timer_id, 100, nullptr);
    SetDlgItemTextW(handle(), IDC_MESSAGE_TEXT, text_.c_str());
    place_control(handle(), IDC_MESSAGE_TEXT, text_area.left, text_area.top, text_area.right - text_area.left,
                  text_area.bottom - text_area.top);
    reset_region(handle());
    HFONT font = verdana(9, font_weight_c::bold);
    const bool question = kind_ == message_kind_c::question, retry = kind_ == message_kind_c::retry;
    bool two = question || retry;
    HWND first = GetDlgItem(handle(), IDOK), second = GetDlgItem(handle(), IDCANCEL);
    std::wstring first_caption = language_text(question ? "btn_yes" : retry ? "btn_retry" : "btn_ok");
    std::wstring second_caption = two ? language_text(question ? "btn_no" : "btn_cancel") : std::wstring();
    SetWindowTextW(first, first_caption.c_str());
    first_.attach(first, skin::message_button, font);
    const button_row_c row = button_row(two ? 2 : 1, caption_width(font, {first_caption, second_caption}));
    place_control(handle(), IDOK, row.right_left, 136, row.width, 24);
    if (two) {
        SetWindowTextW(second, second_caption.c_str());
        second_.attach(second, skin::message_button, font);
        place_control(handle(), IDCANCEL, row.left_left, 136, row.width, 24);
    } else {
        ShowWindow(second, SW_HIDE);
    }
    SetFocus(first);
}

int message_window_c::caption_width(HFONT font, std::initializer_list<std::wstring> captions) const {
    window_dc_c dc(handle());
    int widest = 0;
    for (const std::wstring& caption : captions) widest = std::max(widest, int(text_size(dc.get(), caption, font).cx));
    return widest;
}

void message_window_c::on_erase(HDC dc) {
    design_units_c design(dc, window_dpi(handle()));
    const RECT client = design_paint_rect(handle());
    fill_solid(dc, client, face_colour);
    RECT band = client;
    band.top = button_band_top;
    fill_solid(dc, band, button_band_colour);
}

void message_window_c::on_paint() {
    paint_dc_c paint(handle());
    design_units_c design(paint.get(), window_dpi(handle()));
    draw_skin_image(paint.get(), message_kind_icon(kind_), 15, 30);
}

void message_window_c::draw_text(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const unsigned dpi = window_dpi(item.hwndItem);
    design_units_c design(dc, dpi);
    const RECT bounds = to_design(item.rcItem, dpi);
    fill_solid(dc, bounds, face_colour);
    // Verdana 10 where the text fits, else Verdana 8, so that long translations are not cut.
    HFONT font = verdana(10);
    RECT measured = bounds;
    {
        selection_c selected(dc, font);
        draw_wrapped_text(dc, text_, measured, 6, true);
    }
    const bool too_long = measured.bottom > bounds.bottom;
    if (too_long) font = verdana(8);
    selection_c selected(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, text_colour);
    RECT area = bounds;
    draw_wrapped_text(dc, text_, area, too_long ? 4 : 6, false);
}

void message_window_c::on_command(int id) {
    if (id == IDOK) end_dialog(1);
    else if (id == IDCANCEL) end_dialog(dialog_declined);
}
