#include "ui/pages/download_window_win.h"

#include "system/machine_facts.h"
#include "system/settings_win.h"
#include "system/data_places_win.h"
#include "devices/system_source.h"
#include "download/unpacked_files.h"
#include "i18n/language_table.h"
#include "ui/pages/download_panel_text.h"
#include "ui/pages/driver_grouping.h"
#include "ui/kit/accessible_object_win.h"
#include "ui/kit/skin_ids.h"
#include "ui/kit/window_keys_win.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/screen_scale_win.h"
#include "ui/kit/language_format.h"
#include "ui/dialogs/message_window_win.h"
#include "ui/kit/skin_images_win.h"
#include "ui/kit/text_drawing_win.h"
#include "ui/kit/ui_fonts_win.h"
#include "ui/kit/window_messages.h"
#include "ui/kit/skin_colours.h"

#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>
#include <string>

namespace {

constexpr const wchar_t* download_class = L"VantorelDownloadPage";
constexpr COLORREF radio_colour = RGB(71, 131, 195);
constexpr COLORREF sidebar_fill = RGB(244, 248, 252);
constexpr int header_band_image = skin::download_band, header_icon = skin::download_header_icon;
constexpr int page_sidebar_width = 250;
constexpr int header_height = 40, choice_height = 27, bar_height = 41;
constexpr int best_radio_id = 1, latest_radio_id = 2, faq_link_id = 3, show_hidden_id = 4;

int locale_order(const wchar_t* a, const wchar_t* b) { return lstrcmpW(a, b); }

bool wide_radios() {
    return is_current_language("fr") || is_current_language("es") || is_current_language("pt") || is_current_language("nl");
}

}  // namespace

download_window_c::download_window_c(shell_launcher_c& launcher, scan_task_calls_c* task_calls) : faq_(launcher) {
    context_.launcher = &launcher;
    context_.task_calls = task_calls;
    context_.gates = &gates_;
}

download_window_c::~download_window_c() { list_.clear(); }

bool download_window_c::create_page(HWND parent, const RECT& area) {
    context_.download_folder = settings().download_path_in_use;
    context_.installer.program_folder = program_folder();
    context_.installer.data_folder = data_places().folder;
    context_.installer.download_folder = context_.download_folder;
    context_.installer.is_64bit_windows = is_64bit_windows();
    context_.installer.arm64_machine = system_machine() == processor_machine_c::arm64;
    context_.installer.launcher = context_.launcher;
    context_.installer.files = &disk_files();
    context_.installer.restore_point = restore_point_description(settings());
    gates_.set_owner(parent);
    register_class(download_class, GetModuleHandleW(nullptr));
    if (!create(download_class, language_text("top_download").c_str(), WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                area.left, area.top, area.right - area.left, area.bottom - area.top, parent))
        return false;
    make_control_parent(handle());
    return true;
}

bool download_window_c::on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_CREATE: on_create(); return true;
        case WM_ERASEBKGND: result = 1; return true;
        case WM_PAINT: on_paint(); return true;
        case WM_SIZE: on_size(); return true;
        case WM_DPICHANGED_AFTERPARENT: on_scale_changed(); return true;
        case WM_SHOWWINDOW:
            if (wparam) on_shown();
            return false;
        case WM_SETFOCUS: SetFocus(list_.handle()); return true;
        case WM_COMMAND: on_command(wparam, lparam); return true;
        case WM_HIDDEN_OFFERS_CHANGED: on_hidden_offers_changed(); return true;
        case WM_CHECK_ALL: check_all(wparam == BST_CHECKED); return true;
        case WM_DOWNLOAD_CHECKED: download_checked(); return true;
        case WM_GETOBJECT: result = on_get_object(wparam, lparam); return result != 0;
        case WM_CTLCOLORSTATIC: case WM_CTLCOLORBTN: {
            HDC dc = reinterpret_cast<HDC>(wparam);
            SetTextColor(dc, radio_colour);
            SetBkMode(dc, TRANSPARENT);
            SelectObject(dc, control_font(verdana(8), window_dpi(handle())));
            // The link lies on the sidebar, the others on white.
            if (reinterpret_cast<HWND>(lparam) == faq_.handle()) {
                SetDCBrushColor(dc, sidebar_fill);
                result = reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
            } else {
                result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
            }
            return true;
        }
        default: return false;
    }
}

void download_window_c::on_create() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    context_.page = handle();
    // Owned by the page, it goes with it; the panels add and remove their tools.
    context_.reason_tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, handle(), nullptr,
                                           instance, nullptr);
    if (context_.reason_tips)
        SendMessageW(context_.reason_tips, TTM_SETMAXTIPWIDTH, 0, to_screen(480, window_dpi(handle())));
    list_.create_list(handle(), 0, header_height + choice_height, 10, 10, language_text("top_download"));
    bar_.create_bar(handle(), RECT{0, 0, 10, bar_height});
    auto radio = [&](int id, const char* key, DWORD extra) {
        HWND made = CreateWindowExW(0, L"BUTTON", language_text(key).c_str(),
                                    WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | extra, 0, 0, 10, 10, handle(),
                                    reinterpret_cast<HMENU>(INT_PTR(id)), instance, nullptr);
        set_control_font(made, verdana(8));
        return made;
    };
    best_ = radio(best_radio_id, "download_cbb_best", WS_GROUP | WS_TABSTOP);
    latest_ = radio(latest_radio_id, "download_cbb_latest", 0);
    // Tab goes from the radios (above the list) to the list, the bar below it, then the sidebar.
    SetWindowPos(latest_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(best_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Button_SetCheck(best_, BST_CHECKED);
    show_hidden_box_ = CreateWindowExW(0, L"BUTTON", language_text("download_show_hidden").c_str(),
                                       WS_CHILD | BS_AUTOCHECKBOX | WS_TABSTOP, 0, 0, 10, 10, handle(),
                                       reinterpret_cast<HMENU>(INT_PTR(show_hidden_id)), instance, nullptr);
    set_control_font(show_hidden_box_, verdana(8));
    SetWindowPos(show_hidden_box_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    chart_.create_chart(handle(), 0, 0, 228, 109);
    chart_.set_background(RGB(255, 255, 255));
    faq_.create_link(handle(), faq_link_id, language_text("sidebar_see_faq"), faq_link(), 0, 0, 120, 19, verdana(8));
    on_size();
}

void download_window_c::on_size() {
    const RECT client = design_client_rect(handle());
    int W = client.right, H = client.bottom;
    int list_height = H - header_height - choice_height - bar_height;
    place_design(list_.handle(), 0, header_height + choice_height, W - page_sidebar_width, list_height > 0 ? list_height : 0);
    list_.layout();
    place_design(bar_.handle(), 0, H - bar_height, W - page_sidebar_width, bar_height);
    // Longer words widen both radios by the shift, leftwards, 10 apart as ever.
    int shift = wide_radios() ? 30 : 0;
    place_design(best_, W - 460 - 2 * shift, 45, 110 + shift, 20);
    place_design(latest_, W - 340 - shift, 45, 80 + shift, 20);
    place_design(show_hidden_box_, 15, 45, W - 505 - 2 * shift, 20);
    place_design(chart_.handle(), W - 239, 121, 228, 109);
    // Between the counts' box and the WHQL note, which would run into each other at 411.
    place_design(faq_.handle(), W - 130, 375, 120, 19);
    InvalidateRect(handle(), nullptr, FALSE);
}

// Moved to a monitor of another scale: the controls' fonts at the new scale (the page's WM_SIZE
// places everything).
void download_window_c::on_scale_changed() {
    for (HWND control : {best_, latest_, show_hidden_box_}) set_control_font(control, verdana(8));
    if (context_.reason_tips)
        SendMessageW(context_.reason_tips, TTM_SETMAXTIPWIDTH, 0, to_screen(480, window_dpi(handle())));
    on_size();
}

void download_window_c::take_results(std::shared_ptr<const scan_result_c> result) {
    if (!result || !result->devices) return;
    device_total_ = result->device_total;
    // The settings dialog may have switched the restore point since the last scan.
    context_.installer.restore_point = restore_point_description(settings());
    show_store(result->devices);
    SetFocus(list_.handle());
}

void download_window_c::show_store(std::shared_ptr<const device_store_c> store) {
    store_ = std::move(store);
    counts_ = count_results(*store_);
    if (HIMAGELIST images = class_image_list(store_->class_images.get())) context_.class_images = images;
    groups_ = build_driver_groups(*store_, package_mode_, locale_order, show_hidden_);
    rebuild_panels();
    // The switch is offered once something is hidden, or while it is on.
    const bool any_hidden = std::any_of(store_->devices.begin(), store_->devices.end(),
                                        [](const device_c& device) { return device.best_hidden || device.latest_hidden; });
    ShowWindow(show_hidden_box_, any_hidden || show_hidden_ ? SW_SHOW : SW_HIDE);
    if (IsWindowVisible(handle())) on_shown();
    InvalidateRect(handle(), nullptr, FALSE);
}

void download_window_c::configure_backups(const driver_store_location_c* location, std::wstring index_path) {
    context_.store_location = location;
    context_.backup_index_path = std::move(index_path);
}

void download_window_c::set_offer_chooser(std::function<void(device_store_c&)> choose, std::wstring hidden_offers_file) {
    choose_offers_ = std::move(choose);
    context_.hidden_offers_file = choose_offers_ ? std::move(hidden_offers_file) : std::wstring();
}

void download_window_c::set_show_hidden(bool show) {
    show_hidden_ = show;
    Button_SetCheck(show_hidden_box_, show ? BST_CHECKED : BST_UNCHECKED);
    if (store_) show_store(store_);
}

// The list changed: the offers are chosen again on a copy of the records (other pages and the
// panels being dropped still point into the old ones), and the page shows them.
void download_window_c::on_hidden_offers_changed() {
    if (!store_ || !choose_offers_) return;
    auto chosen = std::make_shared<device_store_c>(copy_of_store(*store_));
    choose_offers_(*chosen);
    show_store(std::move(chosen));
    SetFocus(list_.handle());
}

void download_window_c::drop_results() {
    list_.clear();
    list_.content_height = 0;
    list_.layout();
    groups_.clear();
    store_ = nullptr;
    device_total_ = 0;
    counts_ = result_counts_c{};
    InvalidateRect(handle(), nullptr, FALSE);
}

void download_window_c::set_package_mode(package_mode_c mode) {
    if (mode == package_mode_) {
        SetFocus(list_.handle());
        return;
    }
    package_mode_ = mode;
    Button_SetCheck(best_, mode == package_mode_c::best ? BST_CHECKED : BST_UNCHECKED);
    Button_SetCheck(latest_, mode == package_mode_c::latest ? BST_CHECKED : BST_UNCHECKED);
    if (!store_) return;
    groups_ = build_driver_groups(*store_, package_mode_, locale_order, show_hidden_);
    rebuild_panels();
    RedrawWindow(handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void download_window_c::rebuild_panels() {
    list_.clear();
    list_.content_height = 0;
    const RECT client = design_client_rect(list_.handle());
    for (const driver_group_c& group : groups_) {
        int height = download_panel_c::height_for(group);
        auto panel = std::make_unique<download_panel_c>(group, context_);
        if (!panel->create_panel(list_.handle(), list_.content_height, client.right, height)) continue;
        list_.add(std::move(panel), 0, list_.content_height, height);
        list_.content_height += height;
    }
    list_.layout();
}

void download_window_c::on_shown() {
    on_size();
    if (!store_) return;
    counts_ = count_results(*store_);
    chart_.clear();
    chart_.add_slice(L"out", language_text("sidebar_out_of_date"), counts_.out_of_date, RGB(255, 0, 0));
    chart_.add_slice(L"none", language_text("sidebar_no_driver"), counts_.no_driver, RGB(255, 255, 0));
    chart_.add_slice(L"ok", language_text("sidebar_up_to_date"), counts_.up_to_date(), RGB(0x16, 0xCD, 0x1F));
}

void download_window_c::on_command(WPARAM wparam, LPARAM) {
    int id = LOWORD(wparam);
    if (HIWORD(wparam) == BN_CLICKED && (id == best_radio_id || id == latest_radio_id))
        set_package_mode(id == best_radio_id ? package_mode_c::best : package_mode_c::latest);
    if (HIWORD(wparam) == BN_CLICKED && id == show_hidden_id) set_show_hidden(Button_GetCheck(show_hidden_box_) == BST_CHECKED);
}

void download_window_c::check_all(bool checked) {
    for (const auto& entry : list_.entries())
        if (!entry.panel->group().none_needed) entry.panel->set_checked(checked);
}

void download_window_c::download_checked() {
    if (message_window_c(language_text("download_all_warning"), message_kind_c::question).run(GetAncestor(handle(), GA_ROOT)) != message_answer_c::accept) return;
    for (const auto& entry : list_.entries())
        if (entry.panel->checked()) entry.panel->download();
}

void download_window_c::on_paint() {
    paint_dc_c paint(handle());
    design_surface_c surface(handle(), paint.get());
    const RECT client = surface.client();
    HDC dc = surface.dc();
    fill_solid(dc, client, RGB(255, 255, 255));
    paint_header(dc, client);
    paint_sidebar(dc, client);
    surface.copy_to(paint.get());
}

void download_window_c::paint_header(HDC dc, const RECT& client) {
    int width = client.right;
    brush_c band(make_skin_pattern_brush(dc, header_band_image));
    RECT header = {0, 0, width, header_height};
    set_pattern_origin(dc, 0, 0);
    if (band) FillRect(dc, &header, band.get());
    fill_solid(dc, RECT{0, 39, width - page_sidebar_width, 40}, divider_colour);
    fill_solid(dc, RECT{0, 66, width - page_sidebar_width, 67}, divider_colour);
    draw_skin_image(dc, header_icon, 15, 4);
    bool small = is_current_language("it") || is_current_language("es") || is_current_language("nl");
    HFONT font = verdana(small ? 12 : 14);
    const int count = devices_to_update(counts_);
    const std::wstring& text = language_text(download_header_key(counts_));
    draw_text_at(dc, text, 58, 8, font, RGB(255, 255, 255));
    if (count > 8) {
        int after = 58 + text_size(dc, text, font).cx + 5;
        draw_text_at(dc, std::to_wstring(count), after, 7, verdana(14), RGB(255, 255, 0));
    }
}

void download_window_c::paint_sidebar(HDC dc, const RECT& client) {
    int width = client.right;
    RECT sidebar = {width - page_sidebar_width, header_height, width, client.bottom};
    fill_solid(dc, sidebar, sidebar_fill);
    fill_solid(dc, RECT{sidebar.left, sidebar.top, sidebar.left + 1, sidebar.bottom}, RGB(194, 218, 244));
    for (RECT box : {RECT{width - 240, 40, width - 10, 110}, RECT{width - 240, 120, width - 10, 370}}) {
        fill_solid(dc, box, RGB(255, 255, 255));
        frame_solid(dc, box, divider_colour);
    }
    HFONT label = is_current_language("de") ? verdana(8) : verdana(10);
    draw_text(dc, language_text("sidebar_score"), RECT{width - 250, 58, width, 75}, label, RGB(0, 0, 0),
              DT_CENTER | DT_SINGLELINE);
    int score = counts_.score();
    // No device received offers: there is nothing to rate.
    std::wstring score_text = score < 0 ? L"-" : std::to_wstring(score);
    COLORREF score_colour = score >= 70 ? RGB(0, 255, 0) : RGB(255, 0, 0);
    draw_text(dc, score_text, RECT{width - 250, 80, width, 100}, verdana(12, font_weight_c::bold), score_colour,
              DT_CENTER | DT_SINGLELINE);

    struct legend_c {
        int icon, y;
        const char* key;
        int value;
    } legend[] = {{skin::sign_out_of_date, 260, "sidebar_out_of_date", counts_.out_of_date},
                  {skin::sign_no_driver, 280, "sidebar_no_driver", counts_.no_driver},
                  {skin::sign_up_to_date, 300, "sidebar_up_to_date", counts_.up_to_date()},
                  {skin::sign_total, 320, "sidebar_total", device_total_}};
    for (const legend_c& row : legend) {
        draw_skin_image_keyed(dc, row.icon, width - 220, row.y, RGB(0, 0, 0));
        draw_text_at(dc, format_language_text(row.key, {row.value}, 64), width - 220 + 16 + 8, row.y, verdana(8),
                     RGB(0, 0, 0));
    }
    selection_c font(dc, verdana(8));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    RECT whql = {width - 230, 400, width - 20, client.bottom - 4};
    draw_wrapped_text(dc, language_text("sidebar_whql"), whql, 8, false);
}

// What the page draws, for a screen reader: the header, the score and the counts of the sidebar
// and the WHQL note.
LRESULT download_window_c::on_get_object(WPARAM wparam, LPARAM lparam) {
    const RECT client = design_client_rect(handle());
    int width = client.right;
    auto text = [](std::wstring name, RECT rect) {
        accessible_element_c element;
        element.name = std::move(name);
        element.rect = rect;
        return element;
    };
    std::wstring header = language_text(download_header_key(counts_));
    int count = devices_to_update(counts_);
    if (count > 8) header += L" " + std::to_wstring(count);
    int score = counts_.score();
    std::vector<accessible_element_c> elements = {
        text(header, RECT{58, 8, width - page_sidebar_width, 36}),
        text(language_text("sidebar_score") + L" " + (score < 0 ? std::wstring(L"-") : std::to_wstring(score)),
             RECT{width - 240, 58, width - 10, 100}),
    };
    struct count_row_c {
        int y;
        const char* key;
        int value;
    } rows[] = {{260, "sidebar_out_of_date", counts_.out_of_date},
                {280, "sidebar_no_driver", counts_.no_driver},
                {300, "sidebar_up_to_date", counts_.up_to_date()},
                {320, "sidebar_total", device_total_}};
    for (const count_row_c& row : rows)
        elements.push_back(text(format_language_text(row.key, {row.value}, 64), RECT{width - 220, row.y, width - 10, row.y + 16}));
    elements.push_back(text(language_text("sidebar_whql"), RECT{width - 230, 400, width - 20, client.bottom - 4}));
    return answer_accessible_object(handle(), wparam, lparam, ROLE_SYSTEM_PROPERTYPAGE, std::move(elements));
}
