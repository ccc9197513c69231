// The settings dialog: download and backup folders (with the shell's folder browser), close to
// the tray, start with Windows, scan devices that are not present, the weekly scheduled scan
// (switched at once through the scheduled-scan box) and the language.
#pragma once

#include "system/scheduled_scan_box.h"
#include "ui/dialogs/config_rules.h"
#include "ui/kit/bitmap_button_win.h"
#include "ui/kit/skinned_dialog_win.h"

#include <memory>

class config_window_c : public skinned_dialog_c<config_window_c> {
public:
    // calls: the work item operations of the schedule box; null for the real work item.
    explicit config_window_c(scan_task_calls_c* calls = nullptr);
    // 1 when the settings were saved, 2 when the dialog was cancelled.
    int run(HWND owner);

    static constexpr int width = 640, height = 480;

protected:
    bool dialog_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
    // Closed by the caption or Alt+F4: as Cancel, the scheduled task put back as the setting says.
    void decline() override { on_cancel(); }

private:
    void on_init();
    // The settings and the languages in the controls.
    void show_values(const settings_c& current);
    // The controls where they go, the check boxes as wide as their texts.
    void place_controls();
    void on_paint();
    // A label (an owner-drawn static) in the skin's bold blue.
    void draw_label(const DRAWITEMSTRUCT& item);
    LRESULT on_control_colour(HDC dc);
    void on_command(int id, int code);
    void browse(int edit_id);
    void on_schedule_clicked();
    void on_ok();
    void on_cancel();
    bool checked(int id) const;
    int separator_x() const;

    scan_task_calls_c* calls_;
    std::unique_ptr<scan_task_calls_c> own_calls_;
    std::unique_ptr<scheduled_scan_box_c> schedule_;
    bitmap_button_c buttons_[4];  // browse download, browse backup, cancel, OK
};
