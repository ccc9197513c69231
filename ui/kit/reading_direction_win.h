// Right-to-left reading, laid out as Windows lays out a language written right to left: when the
// loaded texts read right to left, every window of the program is mirrored (caption buttons and
// sidebar change sides, texts align right, scroll bars sit on the left), texts are drawn in
// right-to-left reading order, and bitmaps keep the orientation they were drawn in.
//
// Mirroring is the system's: the process's default layout makes every window without a parent or
// owner mirrored, dialogs (which have an owner) carry WS_EX_LAYOUTRTL in their template, child
// windows inherit it, and the device contexts of a mirrored window count x from the right.
// Drawing code keeps its left-to-right coordinates.
#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

// Lays out the windows made from now on for the loaded texts (mirrored when they read right to
// left); call after loading the texts, before the first window.
void apply_reading_direction();
// The same with the choice given: false restores the left-to-right layout.
void set_mirrored_layout(bool right_to_left);

// Whether windows made now are laid out right to left (the process's default layout).
bool mirrored_layout();
// Whether the window is laid out right to left.
bool is_mirrored(HWND window);
// Lays a control out left to right inside a mirrored window, for text that always reads left to
// right (a path), as Windows shows paths in its own right-to-left programs.
void keep_left_to_right(HWND control);
// A copy of the dialog template with WS_EX_LAYOUTRTL added; empty when there is no such template.
std::vector<unsigned char> mirrored_dialog_template(HINSTANCE instance, int template_id);

// The DrawText format for text: with DT_RTLREADING when the texts read right to left and the
// text holds right-to-left letters. Text without them (a device name, a version, a date) keeps
// the left-to-right reading order, so its brackets and numbers stay where they belong; in a
// mirrored window it is still aligned to the right.
UINT reading_format(std::wstring_view text, UINT format);
