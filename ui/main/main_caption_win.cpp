#include "ui/main/main_caption_win.h"

#include "common/product_name.h"
#include "i18n/language_table.h"
#include "ui/kit/screen_scale_win.h"
#include "ui/kit/skin_ids.h"
#include "ui/kit/text_drawing_win.h"
#include "ui/kit/ui_fonts_win.h"
#include "ui/kit/window_keys_win.h"
#include "ui/main/main_window_win.h"

#include <oleacc.h>

#include <memory>
#include <string>

namespace {

constexpr const char* tab_keys[5] = {"top_home", "top_download", "top_backup", "top_restore", "top_settings"};
constexpr skin_states_c tab_images[5] = {skin::tab_home, skin::tab_download, skin::tab_backup, skin::tab_restore,
                                         skin::tab_settings};

// Where an element drawn in the frame is in the client area's coordinates (design units both).
RECT in_client(HWND window, RECT on_frame) {
    RECT frame;
    GetWindowRect(window, &frame);
    POINT client_origin = {0, 0};
    ClientToScreen(window, &client_origin);
    const unsigned dpi = window_dpi(window);
    OffsetRect(&on_frame, to_design(frame.left - client_origin.x, dpi), to_design(frame.top - client_origin.y, dpi));
    return on_frame;
}

}  // namespace

void main_caption_c::create(ui_window_c<main_window_c>& frame, const clicks_c& clicks) {
    int left_edge = frame.frame_x(), top = frame.frame_y();
    for (int i = 0; i < 5; ++i) {
        auto tab = std::make_unique<top_button_c<main_window_c>>();
        int left = left_edge + 10 + 82 * i;
        tab->create(tab_images[i], RECT{left, top + 23, left + 83, top + 90}, language_text(tab_keys[i]));
        tabs_[i] = frame.add_caption_button(std::move(tab), clicks.tabs[i]);
    }
    // Right-anchored, from the right edge: close, maximise, minimise, menu.
    const struct {
        skin_states_c images;
        click_t click;
        button_c<main_window_c>** made;
    } title_buttons[4] = {
        {skin::caption_close, clicks.close, &close_},
        {skin::caption_maximise, clicks.maximise, &maximise_},
        {skin::caption_minimise, clicks.minimise, &minimise_},
        {skin::caption_menu, clicks.menu, &menu_},
    };
    for (int i = 0; i < 4; ++i) {
        auto button = std::make_unique<system_button_c<main_window_c>>();
        int right = left_edge + 30 * (i + 1);
        button->create(title_buttons[i].images, RECT{right - 30, top, right, top + 21});
        *title_buttons[i].made = frame.add_caption_button(std::move(button), title_buttons[i].click);
    }
    SIZE logo = skin_image_size(skin::logo);
    auto button = std::make_unique<system_button_c<main_window_c>>();
    button->create(skin_still(skin::logo), RECT{left_edge + 20, top + 40, left_edge + 20 + logo.cx, top + 40 + logo.cy});
    logo_ = frame.add_caption_button(std::move(button), clicks.logo);
}

void main_caption_c::paint(HDC dc, HICON small_icon) const {
    if (small_icon) DrawIconEx(dc, 5, 5, small_icon, 20, 20, 0, nullptr, DI_NORMAL);
    draw_text_at(dc, product_title, 30, 8, verdana(8, font_weight_c::bold), RGB(233, 243, 255));
}

void main_caption_c::show_maximised(bool maximised) {
    if (maximise_) maximise_->set_images(maximised ? skin::caption_restore : skin::caption_maximise);
}

std::vector<accessible_element_c> main_caption_c::accessible_elements(HWND window, int selected_tab) const {
    RECT frame;
    GetWindowRect(window, &frame);
    const RECT surface = to_design(RECT{0, 0, frame.right - frame.left, frame.bottom - frame.top}, window_dpi(window));
    std::vector<accessible_element_c> elements;
    for (int i = 0; i < 5; ++i) {
        if (!tabs_[i]) continue;
        accessible_element_c tab;
        tab.name = tabs_[i]->text();
        tab.role = ROLE_SYSTEM_PAGETAB;
        tab.state = STATE_SYSTEM_SELECTABLE | (i == selected_tab ? STATE_SYSTEM_SELECTED : 0);
        tab.rect = in_client(window, tabs_[i]->placed(surface));
        tab.shortcut = L"Ctrl+" + std::to_wstring(i + 1);
        tab.action_message = WM_COMMAND;
        tab.action_wparam = command_first_tab + UINT(i);
        elements.push_back(std::move(tab));
    }
    const struct {
        button_c<main_window_c>* button;
        const char* key;
        UINT command;
        const wchar_t* shortcut;
    } buttons[] = {{menu_, "caption_menu", command_open_menu, L"F10"},
                   {minimise_, "caption_minimise", command_minimise, L""},
                   {maximise_, "caption_maximise", command_maximise, L""},
                   {close_, "caption_close", command_close, L"Alt+F4"}};
    for (const auto& entry : buttons) {
        if (!entry.button) continue;
        accessible_element_c button;
        button.name = language_text(entry.key);
        button.role = ROLE_SYSTEM_PUSHBUTTON;
        button.rect = in_client(window, entry.button->placed(surface));
        button.shortcut = entry.shortcut;
        button.action_message = WM_COMMAND;
        button.action_wparam = entry.command;
        elements.push_back(std::move(button));
    }
    return elements;
}
