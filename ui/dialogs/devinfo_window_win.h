// The device details dialog: the devices of one package group in a list, and for the selected
// one its installed driver beside the offered one. What it shows is copied when it is made: a
// rescan under it may replace the device records the group points into.
#pragma once

#include "ui/kit/bitmap_button_win.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/pages/driver_group.h"
#include "ui/kit/skinned_dialog_win.h"

#include <string>
#include <vector>

class devinfo_window_c : public skinned_dialog_c<devinfo_window_c> {
public:
    devinfo_window_c(int caption_height, const driver_group_c& group);
    int run(HWND owner);

    static constexpr int width = 640, height = 480;

protected:
    bool dialog_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    void on_init();
    void show_device(int index);

    struct shown_device_c {
        std::wstring name;
        std::vector<detail_row_c> rows;
        std::wstring reason;  // why its best offer is, or is not, an update
    };
    std::vector<shown_device_c> devices_;
    bitmap_button_c ok_;
    HWND reason_ = nullptr;  // the selected device's reason, between the list and the table
    brush_c background_{CreateSolidBrush(background_colour)};
    static constexpr COLORREF background_colour = RGB(226, 240, 253);
};
