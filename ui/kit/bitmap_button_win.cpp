#include "ui/kit/bitmap_button_win.h"

#include "ui/kit/accessible_object_win.h"
#include "ui/kit/focus_mark_win.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/reading_direction_win.h"
#include "ui/kit/screen_scale_win.h"
#include "ui/kit/skin_images_win.h"
#include "ui/kit/text_drawing_win.h"
#include "ui/kit/ui_fonts_win.h"
#include "ui/kit/window_base_win.h"
#include "ui/kit/window_keys_win.h"

#include <commctrl.h>
#include <oleacc.h>

#include <string>

namespace {

constexpr UINT_PTR subclass_id = 0x5642;  // "VB"
constexpr const wchar_t* object_property = L"Vantorel.bitmap_button";
constexpr int button_image_end = 8;  // the columns of a button image's rounded end

std::wstring window_text(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(std::size_t(length) + 1, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    text.resize(std::size_t(length));
    return text;
}

}  // namespace

bool bitmap_button_c::attach(HWND button, skin_states_c images, HFONT font, COLORREF text_colour) {
    detach();
    if (!button) return false;
    kit_draw_item = &bitmap_button_c::draw_item;
    button_ = button;
    images_[0] = images.normal;
    images_[1] = images.hover ? images.hover : images.normal;
    images_[2] = images.pressed ? images.pressed : images.normal;
    font_ = font;
    text_colour_ = text_colour;
    SetPropW(button, object_property, this);
    SetWindowSubclass(button, subclass_procedure, subclass_id, reinterpret_cast<DWORD_PTR>(this));
    InvalidateRect(button, nullptr, FALSE);
    return true;
}

void bitmap_button_c::detach() {
    if (!button_) return;
    if (IsWindow(button_)) {
        RemoveWindowSubclass(button_, subclass_procedure, subclass_id);
        RemovePropW(button_, object_property);
    }
    button_ = nullptr;
}

bool bitmap_button_c::draw_item(const DRAWITEMSTRUCT* item) {
    if (!item || item->CtlType != ODT_BUTTON) return false;
    auto self = static_cast<const bitmap_button_c*>(GetPropW(item->hwndItem, object_property));
    if (!self) return false;
    // The focus mark, unless the window hides it until the keyboard is used (ODS_NOFOCUSRECT).
    bool focus = (item->itemState & ODS_FOCUS) && !(item->itemState & ODS_NOFOCUSRECT);
    self->draw(item->hDC, item->rcItem, (item->itemState & ODS_SELECTED) != 0, (item->itemState & ODS_DISABLED) != 0,
               focus);
    return true;
}

void bitmap_button_c::draw(HDC dc, const RECT& area, bool pushed, bool disabled, bool focus) const {
    // Drawn in design units at the button's scale.
    const unsigned dpi = window_dpi(button_);
    off_screen_c surface(dc, area.right - area.left, area.bottom - area.top);
    {
        design_units_c design(surface.dc(), dpi);
        draw_design(surface.dc(), to_design(area.right - area.left, dpi), to_design(area.bottom - area.top, dpi), pushed,
                    disabled, focus);
    }
    surface.copy_to(dc, area.left, area.top);
}

void bitmap_button_c::draw_design(HDC dc, int width, int height, bool pushed, bool disabled, bool focus) const {
    fill_solid(dc, RECT{0, 0, width, height}, GetSysColor(COLOR_BTNFACE));
    int image = disabled ? images_[0] : pushed ? images_[2] : hover_ ? images_[1] : images_[0];
    // A button made wider than its image (for a long caption) keeps the image's rounded ends.
    draw_skin_image_widened(dc, image, 0, 0, width, button_image_end);
    std::wstring caption = window_text(button_);
    if (!caption.empty()) {
        // A caption too long for the button (as some translations are) takes a smaller font.
        HFONT font = font_;
        for (HFONT smaller : {verdana(8, font_weight_c::bold), verdana(8), arial(8)}) {
            if (text_size(dc, caption, font).cx <= width - 6) break;
            font = smaller;
        }
        selection_c selected(dc, font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, disabled ? RGB(200, 214, 232) : text_colour_);
        RECT text_area = {2, pushed ? 1 : 0, width - 2, height + (pushed ? 1 : 0)};
        DrawTextW(dc, caption.c_str(), int(caption.size()), &text_area,
                  reading_format(caption, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS));
    }
    if (focus) draw_button_focus_mark(dc, RECT{0, 0, width, height}, text_colour_);
}

LRESULT CALLBACK bitmap_button_c::subclass_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                                     UINT_PTR, DWORD_PTR data) {
    auto self = reinterpret_cast<bitmap_button_c*>(data);
    switch (message) {
        case WM_MOUSEMOVE:
            if (!self->hover_) {
                self->hover_ = true;
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
                TrackMouseEvent(&track);
                InvalidateRect(window, nullptr, FALSE);
            }
            break;
        case WM_MOUSELEAVE:
            self->hover_ = false;
            InvalidateRect(window, nullptr, FALSE);
            break;
        case WM_ERASEBKGND:
            return 1;
        case WM_GETDLGCODE:
            // Enter presses the button that has the focus (the dialog manager would send it to
            // the dialog's default button, or to a window that is no dialog at all).
            return DefSubclassProc(window, message, wparam, lparam) | (is_enter_key(lparam) ? DLGC_WANTMESSAGE : 0);
        case WM_GETOBJECT:
            if (LRESULT object = answer_accessible_role(window, wparam, lparam, ROLE_SYSTEM_PUSHBUTTON)) return object;
            break;
        case WM_KEYDOWN:
            if (wparam != VK_RETURN) break;
            if (IsWindowEnabled(window))
                SendMessageW(GetParent(window), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), BN_CLICKED),
                             reinterpret_cast<LPARAM>(window));
            return 0;
        case WM_NCDESTROY:
            RemoveWindowSubclass(window, subclass_procedure, subclass_id);
            RemovePropW(window, object_property);
            self->button_ = nullptr;
            break;
        default:
            break;
    }
    return DefSubclassProc(window, message, wparam, lparam);
}
