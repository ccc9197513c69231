// A vertically scrolling list of child panels of class T (each a window with handle()), laid
// out at their content positions minus the scroll position. The owner adds panels and sets the
// content height, then relayouts (or sends WM_SIZE).
// Positions, heights and the scroll position are in design units (96 DPI), placed at the list's
// scale.
// The list is one tab stop: it hands the focus to a panel, and the arrows, Home, End, Page Up and
// Page Down move it from panel to panel (a panel passes them on to the list), scrolling the
// panel that gets it into view.
#pragma once

#include "ui/kit/screen_scale_win.h"
#include "ui/kit/window_base_win.h"

#include <memory>
#include <string>
#include <vector>

template <typename T>
class panel_list_c : public window_base_c {
public:
    struct entry_c {
        std::unique_ptr<T> panel;
        int x = 0, y = 0, height = 0, width = 0;
    };

    // name: what a screen reader calls the list.
    bool create_list(HWND parent, int x, int y, int width, int height, const std::wstring& name = {}) {
        if (!register_class(L"VantorelPanelList", GetModuleHandleW(nullptr))) return false;
        return create(L"VantorelPanelList", name.c_str(),
                      WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_CLIPCHILDREN | WS_TABSTOP | WS_GROUP, x, y, width, height,
                      parent) != nullptr;
    }

    // Takes a panel already created as a child of handle().
    T* add(std::unique_ptr<T> panel, int x, int y, int height) {
        entries_.push_back(entry_c{std::move(panel), x, y, height, 0});
        return entries_.back().panel.get();
    }
    void clear() {
        bool had_focus = focused_entry() >= 0;
        focus_index_ = 0;
        entries_.clear();
        if (had_focus) SetFocus(handle());
    }
    const std::vector<entry_c>& entries() const { return entries_; }

    int content_height = 0;
    int scroll_position() const { return scroll_pos_; }
    int view_height() const { return view_height_; }

    // Clamps the position to 0 ... content_height - view_height + 1, moves the panels and sets
    // the scroll bar.
    void relayout() {
        int largest = content_height - view_height_ + 1;
        if (scroll_pos_ > largest) scroll_pos_ = largest;
        if (scroll_pos_ < 0) scroll_pos_ = 0;
        // Placed by their edges as scrolled: neighbours stay edge to edge at any scale.
        const int width = design_client_rect(handle()).right;
        for (auto& entry : entries_)
            if (entry.panel && entry.panel->handle())
                place_design(entry.panel->handle(), entry.x, entry.y - scroll_pos_, width, entry.height);
        SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0, content_height,
                        UINT(view_height_ > 0 ? view_height_ : 0), scroll_pos_, 0};
        SetScrollInfo(handle(), SB_VERT, &info, TRUE);
    }

    // After panels were added or the content height changed: as a resize to the present size.
    void layout() { on_size(design_client_rect(handle()).bottom); }

    void scroll_to(int position) {
        scroll_pos_ = position;
        relayout();
    }

    // Gives the focus to the panel at that index (clamped), scrolled into view.
    void focus_panel(int index) {
        if (entries_.empty()) return;
        if (index >= int(entries_.size())) index = int(entries_.size()) - 1;
        if (index < 0) index = 0;
        focus_index_ = index;
        const entry_c& entry = entries_[std::size_t(index)];
        if (entry.y < scroll_pos_)
            scroll_to(entry.y);
        else if (entry.y + entry.height > scroll_pos_ + view_height_)
            scroll_to(entry.y + entry.height - view_height_);
        if (entry.panel && entry.panel->handle()) SetFocus(entry.panel->handle());
    }
    // The index of the panel that has the focus, or -1.
    int focused_entry() const {
        HWND focus = GetFocus();
        for (std::size_t i = 0; i < entries_.size(); ++i)
            if (entries_[i].panel && entries_[i].panel->handle() == focus) return int(i);
        return -1;
    }

protected:
    bool on_message(UINT message, WPARAM wparam, LPARAM, LRESULT& result) override {
        switch (message) {
            case WM_SIZE: on_size(design_client_rect(handle()).bottom); return true;
            case WM_VSCROLL: on_vscroll(LOWORD(wparam)); return true;
            case WM_MOUSEWHEEL: on_wheel(GET_WHEEL_DELTA_WPARAM(wparam)); return false;
            case WM_SETFOCUS: focus_panel(focus_index_); return true;
            case WM_GETDLGCODE: result = DLGC_WANTARROWS; return true;
            case WM_KEYDOWN: return on_key(wparam);
            case WM_ERASEBKGND: {
                RECT client;
                GetClientRect(handle(), &client);
                FillRect(reinterpret_cast<HDC>(wparam), &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
                result = 1;
                return true;
            }
            default: return false;
        }
    }

private:
    void on_size(int height) {
        view_height_ = height;
        const RECT client = design_client_rect(handle());
        for (auto& entry : entries_) {
            entry.width = client.right;
            if (entry.panel && entry.panel->handle()) place_design(entry.panel->handle(), entry.x, entry.y, client.right, entry.height);
        }
        if (view_height_ < content_height) {
            ShowScrollBar(handle(), SB_VERT, TRUE);
            relayout();
        } else {
            scroll_pos_ = 0;
            ShowScrollBar(handle(), SB_VERT, FALSE);
        }
    }

    void on_vscroll(int code) {
        int position = scroll_pos_;
        switch (code) {
            case SB_LINEUP: position -= 10; break;
            case SB_LINEDOWN: position += 10; break;
            case SB_PAGEUP: position -= view_height_; break;
            case SB_PAGEDOWN: position += view_height_; break;
            case SB_THUMBPOSITION: case SB_THUMBTRACK: {
                SCROLLINFO info{sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
                GetScrollInfo(handle(), SB_VERT, &info);
                position = info.nTrackPos;
                break;
            }
            default: break;
        }
        if (position != scroll_pos_) scroll_to(position);
    }

    bool on_key(WPARAM key) {
        int at = focused_entry();
        if (at < 0) at = focus_index_;
        int last = int(entries_.size()) - 1;
        // A page: as many panels as fit into the view after the current one.
        int page = 1;
        if (at >= 0 && at <= last && entries_[std::size_t(at)].height > 0)
            page = view_height_ / entries_[std::size_t(at)].height > 1 ? view_height_ / entries_[std::size_t(at)].height : 1;
        switch (key) {
            case VK_UP: case VK_LEFT: focus_panel(at - 1); return true;
            case VK_DOWN: case VK_RIGHT: focus_panel(at + 1); return true;
            case VK_HOME: focus_panel(0); return true;
            case VK_END: focus_panel(last); return true;
            case VK_PRIOR: focus_panel(at - page); return true;
            case VK_NEXT: focus_panel(at + page); return true;
            default: return false;
        }
    }

    void on_wheel(int delta) {
        if (view_height_ >= content_height) return;
        scroll_to(scroll_pos_ + delta / -8);
    }

    std::vector<entry_c> entries_;
    int focus_index_ = 0;
    int scroll_pos_ = 0;
    int view_height_ = 0;
};
