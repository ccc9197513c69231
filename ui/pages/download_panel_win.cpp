#include "ui/pages/download_panel_win.h"

#include "system/settings_win.h"
#include "i18n/language_table.h"
#include "ui/dialogs/config_window_win.h"
#include "ui/dialogs/devinfo_window_win.h"
#include "common/date_text.h"
#include "common/hex_text.h"
#include "common/text_convert.h"
#include "ui/kit/dialog_ids.h"
#include "ui/pages/download_panel_text.h"
#include "ui/pages/panel_requests.h"
#include "backup/undo_job.h"
#include "ui/kit/accessible_object_win.h"
#include "ui/kit/focus_mark_win.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/screen_scale_win.h"
#include "ui/kit/language_format.h"
#include "ui/dialogs/message_window_win.h"
#include "ui/kit/popup_menu_win.h"
#include "download/show_download_file.h"
#include "service/hidden_offers.h"
#include "service/install_reports.h"
#include "service/report_origin_win.h"
#include "ui/kit/window_messages.h"
#include "ui/kit/skin_images_win.h"
#include "ui/kit/text_drawing_win.h"
#include "ui/kit/ui_fonts_win.h"
#include "ui/kit/ui_window_win.h"
#include "ui/kit/skin_colours.h"
#include "ui/kit/window_keys_win.h"

#include <commctrl.h>
#include <oleacc.h>
#include <windowsx.h>

#include <string>

namespace {

constexpr const wchar_t* panel_class = L"VantorelDownloadPanel";
constexpr COLORREF status_colour = RGB(56, 173, 0);
constexpr COLORREF progress_frame = RGB(147, 186, 232);
constexpr COLORREF progress_fill = RGB(180, 213, 213);

constexpr UINT menu_action = 32792, menu_remove = 32791, menu_open_location = 32793, menu_settings_entry = 32789,
               menu_information = 32790, menu_hide_update = 32794, menu_hide_device = 32795, menu_unhide = 32796,
               menu_undo = 32797;

int font_height(HFONT font) {
    window_dc_c screen(nullptr);
    selection_c selected(screen.get(), font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen.get(), &metrics);
    return metrics.tmHeight;
}

HFONT title_font() { return verdana(9, font_weight_c::bold); }
HFONT line_font() { return arial(8); }

std::wstring button_caption(download_state_c state) {
    const char* key = download_button_key(state);
    return key && *key ? language_text(key) : std::wstring();
}

}  // namespace

download_panel_c::download_panel_c(driver_group_c group, const download_panel_context_c& context)
    : group_(std::move(group)), context_(context), background_(group_.none_needed ? RGB(244, 246, 251) : RGB(255, 255, 255)) {
    bool any_without_driver = false;
    for (const device_c* device : group_.devices) any_without_driver |= !device->has_driver;
    status_icon_ = any_without_driver     ? skin::sign_no_driver
                   : group_.none_needed ? skin::sign_up_to_date
                                        : skin::sign_out_of_date;
}

download_panel_c::~download_panel_c() {
    // Panels go with every rebuild, while the page stays (and its tooltip, which forgets the panel).
    if (context_.reason_tips && handle()) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = handle();
        tool.uId = reinterpret_cast<UINT_PTR>(handle());
        SendMessageW(context_.reason_tips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    if (handle()) DestroyWindow(handle());
}

int download_panel_c::height_for(const driver_group_c& group) {
    return download_panel_height(font_height(title_font()), font_height(line_font()), int(group.devices.size()));
}

bool download_panel_c::create_panel(HWND parent, int y, int width, int height) {
    register_class(panel_class, GetModuleHandleW(nullptr));
    return create(panel_class, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, y, width, height,
                  parent) != nullptr;
}

bool download_panel_c::on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_CREATE: on_create(); return true;
        case WM_ERASEBKGND: result = 1; return true;
        case WM_PAINT: on_paint(); return true;
        case WM_TIMER:
            if (wparam != progress_timer_id) return false;
            on_timer();
            return true;
        case WM_MOUSEMOVE: case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_CAPTURECHANGED:
            on_mouse(message, lparam);
            return true;
        case WM_CONTEXTMENU: on_context_menu(lparam); return true;
        case WM_DPICHANGED_AFTERPARENT: place_checkbox(); return true;
        case WM_GETDLGCODE:
            result = DLGC_WANTARROWS | DLGC_WANTCHARS | (is_enter_key(lparam) ? DLGC_WANTMESSAGE : 0);
            return true;
        case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_KEYUP: case WM_SYSKEYUP: return on_key(message, wparam);
        case WM_SETFOCUS: case WM_KILLFOCUS: case WM_UPDATEUISTATE:
            InvalidateRect(handle(), nullptr, FALSE);
            return false;
        case WM_GETOBJECT: result = on_get_object(wparam, lparam); return result != 0;
        case WM_COMMAND:
            if (LOWORD(wparam) == checkbox_id) return false;
            on_menu_command(LOWORD(wparam));
            return true;
        case WM_CTLCOLORSTATIC: case WM_CTLCOLORBTN: {
            HDC dc = reinterpret_cast<HDC>(wparam);
            SetBkColor(dc, background_);
            SetDCBrushColor(dc, background_);
            result = reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
            return true;
        }
        default: return false;
    }
}

// At the footer's left, at the panel's scale.
void download_panel_c::place_checkbox() { place_design(checkbox_, 10, footer_y(), 13, 13); }

int download_panel_c::footer_y() const {
    int n = int(group_.devices.size());
    return title_height_ + 2 * n * (line_height_ + 8) + 16;
}

void download_panel_c::on_create() {
    title_height_ = font_height(title_font());
    line_height_ = font_height(line_font());
    const driver_item_c& item = *group_.item;
    session_ = get_download_session(group_.link, item.size, context_.download_folder,
                                    item.signed_package ? std::optional<sha256_digest_c>(item.sha256) : std::nullopt);
    int button_top = footer_y() - 8;
    button_.create(skin::panel_button, RECT{20, button_top, 100, button_top + 22},
                   button_caption(session_ ? session_->state : download_state_c::not_downloaded));
    // The check box is too small to show a text, but a screen reader reads it by this one.
    checkbox_ = CreateWindowExW(0, L"BUTTON", panel_title().c_str(), WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX | BS_NOTIFY,
                                10, footer_y(), 13, 13, handle(), reinterpret_cast<HMENU>(INT_PTR(checkbox_id)),
                                GetModuleHandleW(nullptr), nullptr);
    place_checkbox();
    read_progress();
    if (session_ && session_->state == download_state_c::downloading) start_progress_timer();
    update_name();
    add_reason_tip();
}

// Pointing at the panel shows why each of its devices is offered the package, or is not (through
// the page's one tooltip control: panels come and go with every rebuild).
void download_panel_c::add_reason_tip() {
    if (!context_.reason_tips) return;
    std::wstring text;
    for (const device_c* device : group_.devices)
        text += (text.empty() ? L"" : L"\r\n") + std::wstring(device->display_name) + L" \x2014 " +
                offer_reason_words(chosen_reason(*device, group_.mode));
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = handle();
    tool.uId = reinterpret_cast<UINT_PTR>(handle());
    tool.lpszText = text.data();
    SendMessageW(context_.reason_tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

bool download_panel_c::checked() const { return checkbox_ && Button_GetCheck(checkbox_) == BST_CHECKED; }

void download_panel_c::set_checked(bool checked) {
    if (checkbox_) Button_SetCheck(checkbox_, checked ? BST_CHECKED : BST_UNCHECKED);
}

void download_panel_c::read_progress() {
    if (!session_) return;
    bytes_done_ = session_->job.bytes_done.load();
    size_ = session_->job.expected_size ? session_->job.expected_size : group_.item->size;
    if (session_->state == download_state_c::complete) bytes_done_ = size_;
    fraction_ = size_ > 0 ? float(double(bytes_done_) / double(size_)) : 0.0f;
    if (fraction_ > 1.0f) fraction_ = 1.0f;
}

void download_panel_c::start_progress_timer() { SetTimer(handle(), progress_timer_id, 200, nullptr); }

void download_panel_c::redraw() { RedrawWindow(handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }

void download_panel_c::on_timer() {
    read_progress();
    poll_download_sessions();
    const bool install_ended = watching_install_ && session_ && session_->install_job.running.load() == 0;
    if (install_ended) watching_install_ = false;
    if (!session_ || (!session_->worker_running() && !watching_install_)) {
        KillTimer(handle(), progress_timer_id);
        read_progress();
    }
    redraw();
    if (!install_ended) return;
    report_installation();
    // Once the first installation ended, whatever its outcome: may its kind be reported?
    if (session_ && session_->install_job.report.installed && !session_->install_job.undo && context_.gates)
        context_.gates->ask_about_reports();
}

void download_panel_c::report_installation() {
    const install_job_c& job = session_->install_job;
    if (job.undo) {
        report_undo(*job.undo);
        return;
    }
    if (!job.backup_problem.empty()) {
        ask_without_backup(job.backup_problem);
        return;
    }
    const unpack_report_c& report = job.report;
    if (report.started == program_start_c::cancelled) {
        message_window_c(language_text("download_setup_cancelled"), message_kind_c::warning).run(GetAncestor(handle(), GA_ROOT));
        return;
    }
    HWND owner = GetAncestor(handle(), GA_ROOT);
    if (report.outcome == unpack_outcome_c::failed) {
        message_window_c(format_language_text("download_setup_failed", {utf8_to_wide(report.problem)}, 1024), message_kind_c::error)
            .run(owner);
        return;
    }
    if (!report.installed) return;
    if (report.installed->restore_point != restore_point_note_c::made_or_not_asked && context_.gates)
        context_.gates->tell_no_restore_point(report.installed->restore_point == restore_point_note_c::unavailable);
    switch (report.installed->verdict) {
        case install_verdict_c::installed:
            if (report.installed->restart_needed && context_.gates) context_.gates->offer_restart();
            break;
        case install_verdict_c::not_better:
            message_window_c(language_text("install_box_not_better"), message_kind_c::information).run(owner);
            break;
        case install_verdict_c::failed:
            message_window_c(format_language_text("install_box_failed", {hex_code(report.installed->exit_code)}, 1024),
                             message_kind_c::error)
                .run(owner);
            break;
    }
}

void download_panel_c::ask_without_backup(const std::string& problem) {
    if (context_.gates && context_.gates->confirm_without_backup(problem)) install(false);
}

void download_panel_c::report_undo(const undo_outcome_c& outcome) {
    HWND owner = GetAncestor(handle(), GA_ROOT);
    switch (outcome.result) {
        case undo_result_c::undone:
            if (outcome.installed && outcome.installed->restart_needed && context_.gates) context_.gates->offer_restart();
            message_window_c(language_text("undo_box_done"), message_kind_c::information).run(owner);
            // The update's version is hidden now: the page chooses its offers again.
            if (context_.page) PostMessageW(context_.page, WM_HIDDEN_OFFERS_CHANGED, 0, 0);
            break;
        case undo_result_c::started: break;
        case undo_result_c::nothing_to_undo:
        case undo_result_c::failed:
            message_window_c(format_language_text("undo_box_failed", {utf8_to_wide(outcome.problem)}, 1024),
                             message_kind_c::error)
                .run(owner);
            break;
    }
}

// Where this installation's or Undo's report goes: only where the user agreed to send them.
report_origin_c download_panel_c::report_origin() const {
    return report_origin_where_agreed(context_.installer.data_folder);
}

void download_panel_c::install(bool back_up_first) {
    panel_backup_places_c places{context_.store_location, settings().backup_path, context_.backup_index_path, today_local()};
    install_request_c request = panel_install_request(group_, places);
    request.back_up_first = back_up_first;
    request.drivers_changed = system_drivers_changed;
    request.report_origin = report_origin();
    // Asked once: a second round after "install without a backup" does not ask again.
    if (!back_up_first) request.none_needed = false;
    if (context_.gates && start_install(request, *session_, context_.installer, *context_.gates) == install_start_c::started) {
        watching_install_ = true;
        start_progress_timer();
    }
    redraw();
}

void download_panel_c::undo() {
    const std::vector<std::wstring> devices = undoable_devices(group_, context_.installer.data_folder);
    if (devices.empty() || !session_ || !context_.gates) return;
    const undo_places_c places{context_.installer.data_folder, settings().backup_path, context_.backup_index_path,
                               report_origin()};
    if (start_undo(devices, places, *session_, context_.installer, *context_.gates) == install_start_c::started) {
        watching_install_ = true;
        start_progress_timer();
    }
    redraw();
}

// The status under the panel: the installation's outcome once one ended, else the download's.
const char* download_panel_c::status_key() const {
    if (session_ && session_->install_job.running.load() == 0 && session_->install_job.undo &&
        session_->install_job.undo->result == undo_result_c::undone)
        return "install_status_undone";
    download_state_c state = session_ ? session_->state : download_state_c::not_downloaded;
    if (session_ && state == download_state_c::complete && session_->install_job.running.load() == 0)
        if (const char* installed = installed_status_key(session_->install_job.report.installed)) return installed;
    return session_ && state == download_state_c::failed && session_->problem != download_problem_c::none
               ? download_problem_key(session_->problem)
               : download_status_key(state);
}

void download_panel_c::download() {
    if (!session_) return;
    download_state_c state = session_->state;
    if (state != download_state_c::not_downloaded && state != download_state_c::paused && state != download_state_c::failed) return;
    if (session_->start_download()) start_progress_timer();
    redraw();
}

void download_panel_c::act() {
    if (!session_) return;
    switch (session_->state) {
        case download_state_c::downloading: session_->request_pause(); break;
        case download_state_c::complete: install(true); return;
        default: download(); return;
    }
    redraw();
}

void download_panel_c::on_mouse(UINT message, LPARAM lparam) {
    button_c<download_panel_c>* buttons[] = {&button_};
    if (client_buttons_message(handle(), message, lparam, buttons, 1)) act();
}

bool download_panel_c::remove_enabled() const {
    return session_ && session_->state != download_state_c::not_downloaded && session_->state != download_state_c::downloading;
}

void download_panel_c::on_context_menu(LPARAM lparam) {
    POINT at = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    if (at.x == -1 && at.y == -1) {  // from the keyboard: at the panel's corner
        const unsigned dpi = window_dpi(handle());
        at = {to_screen(10, dpi), to_screen(10, dpi)};
        ClientToScreen(handle(), &at);
    }
    POINT client = at;
    ScreenToClient(handle(), &client);
    const RECT surface = design_client_rect(handle());
    const unsigned dpi = window_dpi(handle());
    if (button_.hit_test(to_design(client.x, dpi), to_design(client.y, dpi), surface)) return;
    menu_c menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDM_PANEL)));
    HMENU popup = menu.get() ? GetSubMenu(menu.get(), 0) : nullptr;
    if (!popup) return;
    std::wstring caption = button_caption(session_ ? session_->state : download_state_c::not_downloaded).substr(0, 31);
    struct entry_c {
        UINT id;
        std::wstring text;
    } entries[] = {{menu_action, caption},
                   {menu_remove, language_text("menu_remove")},
                   {menu_open_location, language_text("menu_open_location")},
                   {menu_settings_entry, language_text("menu_settings")},
                   {menu_information, language_text("menu_information")},
                   {menu_hide_update, language_text("menu_hide_update")},
                   {menu_hide_device, language_text("menu_hide_device")},
                   {menu_unhide, language_text("menu_unhide")},
                   {menu_undo, language_text("menu_undo")}};
    for (entry_c& entry : entries) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_STRING;
        item.dwTypeData = entry.text.data();
        SetMenuItemInfoW(popup, entry.id, FALSE, &item);
    }
    EnableMenuItem(popup, menu_remove, MF_BYCOMMAND | (remove_enabled() ? MF_ENABLED : MF_GRAYED));
    // A hidden offer (shown with "Show hidden") can be shown again; any other can be hidden.
    const bool can_hide = !context_.hidden_offers_file.empty();
    for (UINT id : {menu_hide_update, menu_hide_device})
        if (!can_hide || group_.hidden) DeleteMenu(popup, id, MF_BYCOMMAND);
    if (!can_hide || !group_.hidden) DeleteMenu(popup, menu_unhide, MF_BYCOMMAND);
    // Undo only where the program updated a device of the group and kept what it replaced.
    const bool installing = session_ && session_->install_job.running.load() != 0;
    if (context_.backup_index_path.empty() || undoable_devices(group_, context_.installer.data_folder).empty())
        DeleteMenu(popup, menu_undo, MF_BYCOMMAND);
    else if (installing)
        EnableMenuItem(popup, menu_undo, MF_BYCOMMAND | MF_GRAYED);
    SetForegroundWindow(GetAncestor(handle(), GA_ROOT));
    track_popup_menu(popup, TPM_RIGHTBUTTON, at.x, at.y, handle());
    PostMessageW(handle(), WM_NULL, 0, 0);
}

void download_panel_c::on_menu_command(UINT id) {
    switch (id) {
        case menu_action: act(); break;
        case menu_settings_entry: config_window_c(context_.task_calls).run(GetAncestor(handle(), GA_ROOT)); break;
        // Owned by the main window, as every box of the panel: it is disabled meanwhile, so a
        // scan asked for from outside waits until the dialog is closed.
        case menu_information: devinfo_window_c(30, group_).run(GetAncestor(handle(), GA_ROOT)); break;
        case menu_remove:
            if (!session_ || message_window_c(language_text("remove_confirm"), message_kind_c::question).run(GetAncestor(handle(), GA_ROOT)) != message_answer_c::accept)
                break;
            if (session_->remove_download()) {
                read_progress();
                redraw();
            }
            break;
        case menu_hide_update: change_hidden(true, false); break;
        case menu_hide_device: change_hidden(true, true); break;
        case menu_unhide: change_hidden(false, false); break;
        case menu_undo: undo(); break;
        case menu_open_location:
            if (session_ && context_.launcher) show_download_file(*session_, context_.download_folder, *context_.launcher);
            break;
        default: break;
    }
}

void download_panel_c::change_hidden(bool hide, bool every_version) {
    std::optional<hidden_offers_c> hidden = read_hidden_offers(context_.hidden_offers_file);
    if (hidden) {
        for (const device_c* device : group_.devices) {
            const driver_item_c* item = chosen_item(*device, group_.mode);
            if (!hide) hidden->unhide(device->instance_path, L"");
            else if (item) hidden->hide(device->instance_path, every_version ? std::wstring() : item->version);
        }
    }
    if (!hidden || !write_hidden_offers(context_.hidden_offers_file, *hidden)) {
        message_window_c(language_text("error_internal_error"), message_kind_c::error).run(GetAncestor(handle(), GA_ROOT));
        return;
    }
    // The page chooses the offers again and rebuilds its panels, this one among them: later.
    if (context_.page) PostMessageW(context_.page, WM_HIDDEN_OFFERS_CHANGED, 0, 0);
}

void download_panel_c::on_paint() {
    paint_dc_c paint(handle());
    design_surface_c surface(handle(), paint.get());
    const RECT client = surface.client();
    HDC dc = surface.dc();
    int width = client.right;
    fill_solid(dc, client, background_);

    const device_c& first = *group_.devices.front();
    if (context_.class_images && first.device_class)
        ImageList_DrawEx(context_.class_images, first.device_class->image_index, dc, 10, 7, 16, 16, background_,
                         CLR_NONE, ILD_NORMAL);
    const wchar_t* description = first.device_class ? first.device_class->description : L"";
    draw_text_at(dc, description, 32, 8, title_font(), title_text_colour);
    // A hidden offer, shown with "Show hidden updates", says so at the title's end.
    if (group_.hidden)
        draw_text(dc, language_text("download_hidden_mark"), RECT{width / 2, 8, width - 12, 8 + title_height_}, line_font(),
                  RGB(128, 128, 128), DT_RIGHT | DT_SINGLELINE);

    int L = line_height_, T = title_height_;
    const std::wstring offered_date = group_.item->date;
    for (std::size_t c = 0; c < group_.devices.size(); ++c) {
        const device_c& device = *group_.devices[c];
        int top = T + 2 * int(c) * (L + 8) + 16;
        draw_skin_image_keyed(dc, status_icon_, 8, top, RGB(0, 0, 0));
        draw_text(dc, device.display_name, RECT{35, top, width - 2, top + L}, verdana(8), RGB(0, 0, 0),
                  DT_SINGLELINE | DT_WORD_ELLIPSIS);
        int date_top = T + L * (2 * int(c) + 1) + 16 * int(c) + 24;
        // A hidden update is still an update in its words.
        bool needed = chosen_is_update(device, group_.mode) || chosen_is_hidden(device, group_.mode);
        // The installed driver, then the offered one a little after it (a tab's stop depends on the
        // font's average width, and lands right at a longer text's end).
        const std::wstring line = panel_date_line(device.has_driver, device.driver_date, offered_date, needed);
        const std::size_t tab = line.find(L'\t');
        const std::wstring installed = line.substr(0, tab);
        draw_text(dc, installed, RECT{35, date_top, width - 2, date_top + L}, line_font(), RGB(0, 0, 0),
                  DT_SINGLELINE | DT_END_ELLIPSIS);
        if (tab != std::wstring::npos) {
            const int offered_left = 35 + int(text_size(dc, installed, line_font()).cx) + 16;
            draw_text(dc, line.substr(tab + 1), RECT{offered_left, date_top, width - 2, date_top + L}, line_font(),
                      RGB(0, 0, 0), DT_SINGLELINE | DT_END_ELLIPSIS);
        }
    }

    int y = footer_y();
    if (group_.item->sign == 0) draw_text_at(dc, L"WHQL", 35, y, line_font(), RGB(203, 144, 9));
    RECT box = {width - 430, y, width - 280, y + 13};
    frame_solid(dc, box, progress_frame);
    RECT done = {box.left + 1, box.top + 1, box.left + 1 + int(float(box.right - box.left - 2) * fraction_), box.bottom - 1};
    if (done.right > done.left) fill_solid(dc, done, progress_fill);
    draw_text(dc, panel_progress_text(bytes_done_, size_), box, verdana(8), title_text_colour,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    download_state_c state = session_ ? session_->state : download_state_c::not_downloaded;
    if (const char* key = status_key(); key && *key)
        draw_text_at(dc, language_text(key), width - (is_current_language("fr") ? 260 : 250), y, verdana(8),
                     status_colour);
    button_.set_text(button_caption(state));
    selection_c font(dc, verdana(8, font_weight_c::bold));
    button_.draw(dc, client);
    if (focus_mark_shown(handle())) draw_focus_frame(dc, client);
    surface.copy_to(paint.get());
    update_name();
}

std::wstring download_panel_c::status_text() const {
    const char* key = status_key();
    return key && *key ? language_text(key) : std::wstring();
}

std::wstring download_panel_c::panel_title() const {
    const device_c& first = *group_.devices.front();
    // A device of a class the system does not describe goes by its own name.
    if (first.device_class && first.device_class->description[0]) return first.device_class->description;
    return first.display_name;
}

// What a screen reader reads of the panel: its class, each device with its dates, the WHQL mark,
// the download's progress and its state.
void download_panel_c::update_name() {
    std::wstring name = panel_title();
    for (const device_c* device : group_.devices) {
        bool needed = chosen_is_update(*device, group_.mode) || chosen_is_hidden(*device, group_.mode);
        name += L", " + std::wstring(device->display_name) + L", " +
                panel_date_line(device->has_driver, device->driver_date, group_.item->date, needed);
    }
    if (group_.item->sign == 0) name += L", WHQL";
    if (group_.hidden) name += L", " + language_text("download_hidden_mark");
    name += L", " + panel_progress_text(bytes_done_, size_);
    std::wstring status = status_text();
    if (!status.empty()) name += L", " + status;
    wchar_t current[2048] = L"";
    GetWindowTextW(handle(), current, 2048);
    if (name != current) SetWindowTextW(handle(), name.c_str());
}

bool download_panel_c::on_key(UINT message, WPARAM key) {
    bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    bool shift = GetKeyState(VK_SHIFT) < 0;
    if (key == VK_APPS || (key == VK_F10 && shift)) {
        if (down) on_context_menu(MAKELPARAM(-1, -1));
        return true;
    }
    if (!down || message != WM_KEYDOWN) return false;
    switch (key) {
        case VK_RETURN: act(); return true;
        case VK_SPACE: set_checked(!checked()); return true;
        case VK_UP: case VK_DOWN: case VK_LEFT: case VK_RIGHT: case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
            SendMessageW(GetParent(handle()), WM_KEYDOWN, key, 0);
            return true;
        default: return false;
    }
}

LRESULT download_panel_c::on_get_object(WPARAM wparam, LPARAM lparam) {
    const RECT client = design_client_rect(handle());
    accessible_element_c button;
    button.name = button_.text();
    button.role = ROLE_SYSTEM_PUSHBUTTON;
    button.rect = button_.placed(client);
    button.action_message = WM_COMMAND;
    button.action_wparam = menu_action;
    return answer_accessible_object(handle(), wparam, lparam, ROLE_SYSTEM_LISTITEM, {button});
}
