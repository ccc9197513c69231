// One package of a scan's results on the download page: the devices it serves with their dates,
// the WHQL mark, the download's progress and status, and one button that downloads, pauses,
// resumes or installs, following the state of the package's download session. The session (and
// an installation it runs) outlive the panel: a panel rebuilt after a new scan or a change of
// mode shows a download that goes on.
#pragma once

#include "backup/backup_job.h"
#include "download/download_session.h"
#include "download/start_install.h"
#include "ui/pages/driver_group.h"
#include "ui/kit/skin_button_win.h"
#include "ui/kit/skin_ids.h"
#include "ui/kit/window_base_win.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>

class scan_task_calls_c;

// What every panel of the page works with.
struct download_panel_context_c {
    std::wstring download_folder;
    installer_context_c installer;
    install_gates_c* gates = nullptr;
    shell_launcher_c* launcher = nullptr;
    scan_task_calls_c* task_calls = nullptr;  // the settings dialog's weekly scan; null: the real one
    HIMAGELIST class_images = nullptr;
    // "hidden.dat": where the panel's menu hides offers; empty: the menu offers no hiding.
    std::wstring hidden_offers_file;
    HWND page = nullptr;  // told WM_HIDDEN_OFFERS_CHANGED once the list changed
    HWND reason_tips = nullptr;  // the page's tooltip control, which says why each panel is offered
    // Where the drivers an update replaces are backed up first; no location: no backup and no Undo.
    const driver_store_location_c* store_location = nullptr;
    std::wstring backup_index_path;
};

class download_panel_c : public window_base_c {
public:
    download_panel_c(driver_group_c group, const download_panel_context_c& context);
    ~download_panel_c() override;
    bool create_panel(HWND parent, int y, int width, int height);

    // The panel's height for its group, in the fonts of the screen.
    static int height_for(const driver_group_c& group);

    const driver_group_c& group() const { return group_; }
    download_session_c* session() const { return session_; }
    bool checked() const;
    void set_checked(bool checked);
    download_button_c<download_panel_c>& button() { return button_; }
    // The button's action for the session's state.
    void act();
    // Starts the download when the session can (states 1, 3, 4).
    void download();
    // The context menu's entries as they would show now (for tests): remove greyed or not.
    bool remove_enabled() const;
    HWND reason_tip() const { return context_.reason_tips; }

    static constexpr UINT_PTR progress_timer_id = 2;
    bool watching_install_ = false;  // an installation started here has not been reported yet
    static constexpr int checkbox_id = 1;

protected:
    bool on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    void on_create();
    void on_paint();
    void on_timer();
    void on_mouse(UINT message, LPARAM lparam);
    void on_context_menu(LPARAM lparam);
    void on_menu_command(UINT id);
    void add_reason_tip();
    // Hides the group's offer (`every_version`: every offer for its devices), or shows it again.
    void change_hidden(bool hide, bool every_version);
    void read_progress();
    void start_progress_timer();
    // Tells the user why an installation started from this panel installed nothing.
    void report_installation();
    // Asks whether to install although the driver in use could not be backed up; installs if so.
    void ask_without_backup(const std::string& problem);
    void report_undo(const undo_outcome_c& outcome);
    // Undo of the update on the group's devices, where the program recorded one.
    void undo();
    void install(bool back_up_first);
    report_origin_c report_origin() const;
    int footer_y() const;
    void place_checkbox();
    void redraw();
    // download_panel_win.cpp, the keyboard and screen readers: Enter presses the button, Space
    // ticks the check box, the arrows go to the list, the menu key opens the context menu.
    bool on_key(UINT message, WPARAM key);
    const char* status_key() const;
    std::wstring status_text() const;
    std::wstring panel_title() const;
    void update_name();
    LRESULT on_get_object(WPARAM wparam, LPARAM lparam);

    driver_group_c group_;
    const download_panel_context_c& context_;
    download_session_c* session_ = nullptr;
    download_button_c<download_panel_c> button_;
    HWND checkbox_ = nullptr;
    int status_icon_ = skin::sign_up_to_date;
    COLORREF background_;
    int title_height_ = 0, line_height_ = 0;
    float fraction_ = 0.0f;
    std::uint64_t bytes_done_ = 0, size_ = 0;
};
