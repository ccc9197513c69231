#include "ui/dialogs/devinfo_window_win.h"

#include "i18n/language_table.h"
#include "ui/kit/dialog_ids.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/screen_scale_win.h"
#include "ui/kit/skin_ids.h"
#include "ui/kit/ui_fonts_win.h"

#include <commctrl.h>

devinfo_window_c::devinfo_window_c(int caption_height, const driver_group_c& group) : skinned_dialog_c(caption_height) {
    for (const device_c* device : group.devices)
        devices_.push_back({device->display_name, device_detail_rows(*device), offer_reason_words(device->best_reason)});
}

int devinfo_window_c::run(HWND owner) { return run_modal(owner, IDD_DEVICE_DETAILS) == 1 ? 1 : 2; }

bool devinfo_window_c::dialog_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    switch (message) {
        case WM_INITDIALOG: on_init(); result = TRUE; return true;
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(handle(), &client);
            fill_solid(reinterpret_cast<HDC>(wparam), client, background_colour);
            result = 1;
            return true;
        }
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lparam) != reason_) return false;
            SetBkColor(reinterpret_cast<HDC>(wparam), background_colour);
            result = reinterpret_cast<LRESULT>(background_.get());
            return true;
        case WM_COMMAND:
            if (LOWORD(wparam) == IDC_DEVICE_LIST && HIWORD(wparam) == LBN_SELCHANGE)
                show_device(int(SendDlgItemMessageW(handle(), IDC_DEVICE_LIST, LB_GETCURSEL, 0, 0)));
            else if (LOWORD(wparam) == IDOK) end_dialog(1);
            else if (LOWORD(wparam) == IDCANCEL) end_dialog(dialog_declined);
            return true;
        default: return false;
    }
}

void devinfo_window_c::on_init() {
    size_and_centre(handle(), width, height);
    reset_region(handle());
    HFONT small = verdana(8);
    HWND list = GetDlgItem(handle(), IDC_DEVICE_LIST), table = GetDlgItem(handle(), IDC_DRIVER_TABLE);
    set_control_font(list, small, false);
    set_control_font(table, small, false);
    place_control(handle(), IDC_DEVICE_LIST, 10, 30, 612, 130);
    place_control(handle(), IDC_DRIVER_TABLE, 10, 180, 612, 200);
    reason_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_ENDELLIPSIS | SS_NOPREFIX, 10, 162, 612,
                              16, handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    place_design(reason_, 10, 162, 612, 16, false);
    set_control_font(reason_, small, false);
    SetDlgItemTextW(handle(), IDOK, language_text("btn_ok").c_str());
    ok_.attach(GetDlgItem(handle(), IDOK), skin::dialog_button, small);
    place_control(handle(), IDOK, 290, 400, 80, 22);

    ListView_SetExtendedListViewStyle(table, LVS_EX_FULLROWSELECT);
    const struct {
        const char* key;
        int width;
    } columns[] = {{"device_detail_description", 130}, {"device_detail_current_driver", 231}, {"device_detail_new_driver", 231}};
    for (int i = 0; i < 3; ++i) {
        std::wstring title = language_text(columns[i].key);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = to_screen(columns[i].width, window_dpi(handle()));
        column.pszText = title.data();
        ListView_InsertColumn(table, i, &column);
    }
    for (const shown_device_c& device : devices_)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(device.name.c_str()));
    SendMessageW(list, LB_SETCURSEL, 0, 0);
    show_device(0);
}

void devinfo_window_c::show_device(int index) {
    HWND table = GetDlgItem(handle(), IDC_DRIVER_TABLE);
    ListView_DeleteAllItems(table);
    if (index < 0 || std::size_t(index) >= devices_.size()) return;
    SetWindowTextW(reason_, devices_[std::size_t(index)].reason.c_str());
    int row = 0;
    for (detail_row_c detail : devices_[std::size_t(index)].rows) {
        std::wstring label = language_text(detail.label_key);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = label.data();
        ListView_InsertItem(table, &item);
        ListView_SetItemText(table, row, 1, detail.current.data());
        ListView_SetItemText(table, row, 2, detail.offered.data());
        ++row;
    }
    // The last column takes the rest of the width (the vertical scroll bar's room now known), so
    // that no horizontal scroll bar shows.
    RECT client;
    GetClientRect(table, &client);
    int rest = client.right - ListView_GetColumnWidth(table, 0) - ListView_GetColumnWidth(table, 1);
    if (rest > 60) ListView_SetColumnWidth(table, 2, rest);
}
