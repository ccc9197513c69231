#include "ui/kit/reading_direction_win.h"

#include "i18n/language_table.h"
#include "ui/kit/language_format.h"

#include <cstring>

void apply_reading_direction() { set_mirrored_layout(reads_right_to_left()); }

void set_mirrored_layout(bool right_to_left) { SetProcessDefaultLayout(right_to_left ? LAYOUT_RTL : 0); }

bool mirrored_layout() {
    DWORD layout = 0;
    return GetProcessDefaultLayout(&layout) && (layout & LAYOUT_RTL) != 0;
}

std::vector<unsigned char> mirrored_dialog_template(HINSTANCE instance, int template_id) {
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(template_id), RT_DIALOG);
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    DWORD size = found ? SizeofResource(instance, found) : 0;
    if (!bytes || size < sizeof(DLGTEMPLATE)) return {};
    std::vector<unsigned char> copy(static_cast<const unsigned char*>(bytes), static_cast<const unsigned char*>(bytes) + size);
    // An extended template starts with its version 1 and 0xFFFF, then the help id and the
    // extended style; the plain one with the style, then the extended style.
    WORD version = 0, signature = 0;
    std::memcpy(&version, copy.data(), sizeof version);
    std::memcpy(&signature, copy.data() + 2, sizeof signature);
    std::size_t at = version == 1 && signature == 0xFFFF ? 8 : 4;
    if (copy.size() < at + sizeof(DWORD)) return {};
    DWORD extended = 0;
    std::memcpy(&extended, copy.data() + at, sizeof extended);
    extended |= WS_EX_LAYOUTRTL;
    std::memcpy(copy.data() + at, &extended, sizeof extended);
    return copy;
}

bool is_mirrored(HWND window) { return window && (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0; }

void keep_left_to_right(HWND control) {
    LONG style = control ? GetWindowLongW(control, GWL_EXSTYLE) : 0;
    LONG flipped = WS_EX_LAYOUTRTL | WS_EX_RTLREADING | WS_EX_RIGHT | WS_EX_LEFTSCROLLBAR;
    if (!(style & flipped)) return;
    SetWindowLongW(control, GWL_EXSTYLE, style & ~flipped);
    SetWindowPos(control, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

UINT reading_format(std::wstring_view text, UINT format) {
    return reads_right_to_left() && has_right_to_left_letters(text) ? format | DT_RTLREADING : format;
}
