#include "ui/dialogs/config_window_win.h"

#include "system/scan_task_win.h"
#include "system/settings_win.h"
#include "system/data_places_win.h"
#include "service/install_reports.h"
#include "ui/dialogs/folder_problem_notice_win.h"
#include "i18n/language_table.h"
#include "ui/kit/dialog_ids.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/dialogs/message_window_win.h"
#include "ui/kit/reading_direction_win.h"
#include "ui/kit/screen_scale_win.h"
#include "ui/kit/skin_ids.h"
#include "ui/kit/skin_images_win.h"
#include "ui/kit/text_drawing_win.h"
#include "ui/kit/ui_fonts_win.h"

#include <algorithm>
#include <shlobj.h>

#include <cwchar>
#include <string>

namespace {

constexpr COLORREF label_colour = RGB(140, 178, 214);
constexpr COLORREF edit_frame_colour = RGB(195, 218, 245);

std::wstring control_text(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    int length = GetWindowTextLengthW(control);
    std::wstring text(std::size_t(length) + 1, L'\0');
    GetWindowTextW(control, text.data(), length + 1);
    text.resize(std::size_t(length));
    return text;
}

bool narrow_boxes() { return is_current_language("fr") || is_current_language("es") || is_current_language("pt"); }

// The labels over the fields and groups of check boxes: static controls drawn in the skin, each
// just before the control it names.
struct label_c {
    int id;
    const char* key;
    int x, y;
};
constexpr label_c labels[] = {
    {IDC_DOWNLOAD_PATH_LABEL, "config_download_path", 93, 32},   {IDC_BACKUP_PATH_LABEL, "config_backup_path", 93, 86},
    {IDC_CLOSE_OPTION_LABEL, "config_close_option", 95, 150},    {IDC_STARTUP_OPTION_LABEL, "config_startup_option", 95, 210},
    {IDC_SCAN_OPTION_LABEL, "config_scan_option", 340, 150},     {IDC_SCHEDULED_TASK_LABEL, "config_scheduled_task", 340, 210},
    {IDC_LANGUAGE_LABEL, "config_language", 95, 268},          {IDC_SAFETY_OPTION_LABEL, "config_safety_option", 340, 268},
};

// Places a check box at its row: one line where its text fits the column, else two. Its height.
int place_check_box(HWND dialog, int id, int x, int y, int column_width) {
    HWND box = GetDlgItem(dialog, id);
    int length = GetWindowTextLengthW(box);
    std::wstring text(std::size_t(length) + 1, L'\0');
    GetWindowTextW(box, text.data(), length + 1);
    text.resize(std::size_t(length));
    window_dc_c dc(box);
    // Measured in the box's own font (at its scale), counted in design units.
    const int text_width = text_size(dc.get(), text, reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0))).cx;
    int needed = to_design(text_width, window_dpi(dialog)) + 20;
    bool two_lines = needed > column_width;
    if (two_lines) SetWindowLongPtrW(box, GWL_STYLE, GetWindowLongPtrW(box, GWL_STYLE) | BS_MULTILINE);
    place_design(box, x, y, two_lines ? column_width : needed, two_lines ? 30 : 16, false);
    return two_lines ? 30 : 16;
}

int CALLBACK browse_callback(HWND window, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

}  // namespace

config_window_c::config_window_c(scan_task_calls_c* calls) : skinned_dialog_c(30), calls_(calls) {}

int config_window_c::run(HWND owner) { return run_modal(owner, IDD_SETTINGS) == 1 ? 1 : 2; }

bool config_window_c::dialog_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    switch (message) {
        case WM_INITDIALOG: on_init(); result = FALSE; return true;  // the focus is set
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(handle(), &client);
            fill_solid(reinterpret_cast<HDC>(wparam), client, RGB(255, 255, 255));
            result = 1;
            return true;
        }
        case WM_PAINT: on_paint(); return true;
        case WM_CTLCOLORSTATIC: case WM_CTLCOLOREDIT: case WM_CTLCOLORBTN:
            result = on_control_colour(reinterpret_cast<HDC>(wparam));
            return true;
        case WM_COMMAND: on_command(LOWORD(wparam), HIWORD(wparam)); return true;
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
            if (item->CtlType != ODT_STATIC) return false;
            draw_label(*item);
            result = TRUE;
            return true;
        }
        default: return false;
    }
}

void config_window_c::on_init() {
    if (!calls_) {
        own_calls_ = std::make_unique<scan_task_calls_win_c>(handle());
        calls_ = own_calls_.get();
    }
    settings_c& current = settings();
    if (current.scheduled_scan > 2) current.scheduled_scan = 0;
    schedule_ = std::make_unique<scheduled_scan_box_c>(current.scheduled_scan);
    size_and_centre(handle(), width, height);
    reset_region(handle());

    HFONT small = verdana(8);
    const struct {
        int id;
        const char* key;
    } texts[] = {{IDC_BROWSE_DOWNLOAD, "top_download"}, {IDC_BROWSE_BACKUP, "top_backup"}, {IDCANCEL, "btn_cancel"},
                 {IDOK, "btn_ok"}, {IDC_CLOSE_TO_TRAY, "config_close_to_system_tray"},
                 {IDC_START_WITH_WINDOWS, "config_start_when_windows_startup"},
                 {IDC_SCAN_NON_PRESENT, "config_scan_non_present_devices"},
                 {IDC_SCHEDULED_SCAN, "config_enable_scheduled_automatic_scan"},
                 {IDC_RESTORE_POINT, "config_restore_point"}, {IDC_SEND_REPORTS, "config_send_reports"},
                 {IDC_TESTING_UPDATES, "config_testing_updates"}};
    for (const auto& text : texts) SetDlgItemTextW(handle(), text.id, language_text(text.key).c_str());
    HFONT bold = verdana(8, font_weight_c::bold);
    window_dc_c dc(handle());
    for (const auto& label : labels) {
        std::wstring text = language_text(label.key);
        SetDlgItemTextW(handle(), label.id, text.c_str());
        SIZE size = text_size(dc.get(), text, bold);
        place_control(handle(), label.id, label.x, label.y, size.cx + 2, size.cy);
    }
    const int button_ids[4] = {IDC_BROWSE_DOWNLOAD, IDC_BROWSE_BACKUP, IDCANCEL, IDOK};
    for (int i = 0; i < 4; ++i) buttons_[i].attach(GetDlgItem(handle(), button_ids[i]), skin::dialog_button, small);
    for (int id : {IDC_DOWNLOAD_PATH, IDC_BACKUP_PATH, IDC_CLOSE_TO_TRAY, IDC_START_WITH_WINDOWS, IDC_SCAN_NON_PRESENT,
                   IDC_SCHEDULED_SCAN, IDC_LANGUAGE, IDC_RESTORE_POINT, IDC_SEND_REPORTS, IDC_TESTING_UPDATES})
        set_control_font(GetDlgItem(handle(), id), small, false);

    show_values(current);
    place_controls();
    SetFocus(GetDlgItem(handle(), IDOK));
}

void config_window_c::show_values(const settings_c& current) {
    HWND languages = GetDlgItem(handle(), IDC_LANGUAGE);
    for (const auto& name : language_list()) SendMessageW(languages, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    SendMessageW(languages, CB_SETCURSEL, current_language_index(), 0);
    for (int id : {IDC_DOWNLOAD_PATH, IDC_BACKUP_PATH}) keep_left_to_right(GetDlgItem(handle(), id));  // paths
    SetDlgItemTextW(handle(), IDC_DOWNLOAD_PATH, current.download_path);
    SetDlgItemTextW(handle(), IDC_BACKUP_PATH, current.backup_path);
    CheckDlgButton(handle(), IDC_START_WITH_WINDOWS, current.autorun ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(handle(), IDC_SCAN_NON_PRESENT, current.scan_offline ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(handle(), IDC_SCHEDULED_SCAN, current.scheduled_scan ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(handle(), IDC_RESTORE_POINT, current.restore_point ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(handle(), IDC_SEND_REPORTS, current.send_reports ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(handle(), IDC_TESTING_UPDATES, current.testing_updates ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(handle(), IDC_CLOSE_TO_TRAY, current.close_to_tray != close_to_tray_c::quit ? BST_CHECKED : BST_UNCHECKED);
}

void config_window_c::place_controls() {
    place_control(handle(), IDC_DOWNLOAD_PATH, 100, 58, 350, 18);
    place_control(handle(), IDC_BACKUP_PATH, 100, 110, 350, 18);
    place_control(handle(), IDC_BROWSE_DOWNLOAD, 468, 54, 80, 22);
    place_control(handle(), IDC_BROWSE_BACKUP, 468, 105, 80, 22);
    // Each check box is as wide as its text, up to its column (left of the separator, or up to
    // the dialog's edge); a longer text takes two lines rather than being cut.
    int left_column = separator_x() - 95 - 6;
    const RECT client = design_client_rect(handle());
    int right_column = client.right - 340 - 6;
    place_check_box(handle(), IDC_CLOSE_TO_TRAY, 95, 170, left_column);
    place_check_box(handle(), IDC_START_WITH_WINDOWS, 95, 230, left_column);
    place_check_box(handle(), IDC_SCAN_NON_PRESENT, 340, 170, right_column);
    place_check_box(handle(), IDC_SCHEDULED_SCAN, 340, 230, right_column);
    // The safety options one under another; the buttons below the last of them.
    int y = 290;
    for (int id : {IDC_RESTORE_POINT, IDC_SEND_REPORTS, IDC_TESTING_UPDATES})
        y += place_check_box(handle(), id, 340, y, right_column) + 6;
    place_control(handle(), IDC_LANGUAGE, 95, 290, 200, 200);
    const int buttons_y = std::max(360, y + 8);
    place_control(handle(), IDCANCEL, 155, buttons_y, 80, 22);
    place_control(handle(), IDOK, 375, buttons_y, 80, 22);
}

int config_window_c::separator_x() const { return narrow_boxes() ? 320 : 300; }

void config_window_c::on_paint() {
    paint_dc_c paint(handle());
    const unsigned dpi = window_dpi(handle());
    design_units_c design(paint.get(), dpi);
    for (int id : {IDC_DOWNLOAD_PATH, IDC_BACKUP_PATH}) {
        RECT edit;
        GetWindowRect(GetDlgItem(handle(), id), &edit);
        MapWindowPoints(nullptr, handle(), reinterpret_cast<POINT*>(&edit), 2);
        edit = to_design(edit, dpi);
        RECT frame = {edit.left - 2, edit.top - 2, edit.right + 3, edit.bottom + 1};
        frame_solid(paint.get(), frame, edit_frame_colour);
    }
    draw_skin_image(paint.get(), skin::settings_separator, separator_x(), 140);
}

void config_window_c::draw_label(const DRAWITEMSTRUCT& item) {
    const unsigned dpi = window_dpi(handle());
    design_units_c design(item.hDC, dpi);
    const RECT area = to_design(item.rcItem, dpi);
    fill_solid(item.hDC, area, RGB(255, 255, 255));
    draw_text_at(item.hDC, control_text(handle(), int(item.CtlID)), area.left, area.top, verdana(8, font_weight_c::bold),
                 label_colour);
}

LRESULT config_window_c::on_control_colour(HDC dc) {
    SetBkMode(dc, TRANSPARENT);
    SetBkColor(dc, RGB(255, 255, 255));
    SetTextColor(dc, RGB(0, 0, 0));
    return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
}

void config_window_c::on_command(int id, int code) {
    switch (id) {
        case IDC_BROWSE_DOWNLOAD: browse(IDC_DOWNLOAD_PATH); break;
        case IDC_BROWSE_BACKUP: browse(IDC_BACKUP_PATH); break;
        case IDC_SCHEDULED_SCAN:
            if (code == BN_CLICKED) on_schedule_clicked();
            break;
        case IDOK: on_ok(); break;
        case IDCANCEL: on_cancel(); break;
        default: break;
    }
}

void config_window_c::browse(int edit_id) {
    std::wstring current = control_text(handle(), edit_id);
    BROWSEINFOW info{};
    info.hwndOwner = handle();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = browse_callback;
    info.lParam = reinterpret_cast<LPARAM>(current.c_str());
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (!chosen) return;
    wchar_t path[MAX_PATH] = {};
    if (SHGetPathFromIDListW(chosen, path)) SetDlgItemTextW(handle(), edit_id, path);
    CoTaskMemFree(chosen);
}

void config_window_c::on_schedule_clicked() { schedule_->set_checked(checked(IDC_SCHEDULED_SCAN), *calls_); }

bool config_window_c::checked(int id) const { return IsDlgButtonChecked(handle(), id) == BST_CHECKED; }

void config_window_c::on_ok() {
    std::wstring download = control_text(handle(), IDC_DOWNLOAD_PATH);
    std::wstring backup = control_text(handle(), IDC_BACKUP_PATH);
    settings_c& current = settings();
    // A folder too long to keep, or none, is refused: the dialog stays open, so the
    // scheduled-task box is still confirmed by OK or put back by Cancel.
    if (!folder_setting_fits(!download.empty(), download.size(), std::size(current.download_path)) ||
        !folder_setting_fits(!backup.empty(), backup.size(), std::size(current.backup_path))) {
        MessageBoxW(handle(), L"invalid download path", product_title, MB_OK);
        return;
    }
    // A missing folder is made; one that cannot be made or written to is said, with the reason.
    for (const std::wstring* folder : {&download, &backup}) {
        if (unsigned long error = prepare_folder(*folder)) {
            message_window_c notice(folder_problem_text(*folder, error), message_kind_c::information);
            notice.run(handle());
            return;
        }
    }
    std::wcsncpy(current.download_path, download.c_str(), std::size(current.download_path) - 1);
    std::wcsncpy(current.backup_path, backup.c_str(), std::size(current.backup_path) - 1);
    current.autorun = checked(IDC_START_WITH_WINDOWS) ? 1 : 0;
    current.scan_offline = checked(IDC_SCAN_NON_PRESENT) ? 1 : 0;
    current.restore_point = checked(IDC_RESTORE_POINT) ? 1 : 0;
    // Saying no takes back the reports queued and not yet sent.
    if (current.send_reports && !checked(IDC_SEND_REPORTS)) clear_queued_reports(report_queue_path(data_places().folder));
    current.send_reports = checked(IDC_SEND_REPORTS) ? 1 : 0;
    current.testing_updates = checked(IDC_TESTING_UPDATES) ? 1 : 0;
    current.reports_asked = 1;  // the user decided here
    current.scheduled_scan = schedule_->confirm();
    LRESULT chosen = SendDlgItemMessageW(handle(), IDC_LANGUAGE, CB_GETCURSEL, 0, 0);
    if (chosen >= 0 && std::size_t(chosen) != current_language_index() && std::size_t(chosen) < language_list().size()) {
        const std::wstring& name = language_list()[std::size_t(chosen)];
        std::wcsncpy(current.language, name.c_str(), std::size(current.language) - 1);
        current.language[std::size(current.language) - 1] = L'\0';
        current_language_index() = std::size_t(chosen);
        message_window_c notice(language_text("config_language_change_notice"), message_kind_c::information);
        notice.run(handle());
    }
    current.close_to_tray = close_to_tray_after(checked(IDC_CLOSE_TO_TRAY), current.close_to_tray);
    save_settings();
    end_dialog(1);
}

void config_window_c::on_cancel() {
    schedule_->cancel(*calls_);
    end_dialog(dialog_declined);
}
