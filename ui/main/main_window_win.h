// The program's only top-level window, titled "Vantorel" and of the class
// main_window_class_name, by which a second start finds it. It has the skinned caption (its own
// class), shows one of its five pages at a time, owns the main menu and the presence in the
// notification area, and is the hub of the scan's messages:
//   WM_START_SCAN    the start button, the automatic scan, "--autoscan", a retry
//   WM_SCAN_DONE     the scan page: the results are in (the page's result())
//   WM_SCAN_ABORTED  the scan page: the scan failed or the user cancelled it
//   WM_SHOW_INSTANCE a second start: come to the front (wParam 1: and scan)
// Closing may hide it to the tray (the close-to-tray setting); then one automatic scan runs
// 15 minutes later and a balloon tells what it found, or why it failed.
#pragma once

#include "common/shell_launcher.h"
#include "ui/main/main_caption_win.h"
#include "ui/pages/download_window_win.h"
#include "ui/pages/backup_window_win.h"
#include "ui/pages/home_window_win.h"
#include "ui/main/main_menu_win.h"
#include "ui/dialogs/message_window_win.h"
#include "ui/pages/restore_window_win.h"
#include "ui/pages/scan_window_win.h"
#include "ui/main/tray_presence_win.h"
#include "ui/kit/ui_window_win.h"
#include "ui/kit/window_base_win.h"

#include <chrono>
#include <string>
#include <vector>

class scan_task_calls_c;

// What the window runs with; every empty member means the program's own.
struct main_window_options_c {
    std::vector<std::wstring> arguments;        // with the program path first; empty: the process's
    scan_workers_c workers;                     // the enumeration and the query a scan runs
    tray_icon_c::notify_t notify = nullptr;     // null: Shell_NotifyIconW
    shell_launcher_c* launcher = nullptr;       // null: the shell
    scan_task_calls_c* task_calls = nullptr;    // the settings dialog's weekly scan; null: the real one
    const driver_store_location_c* store_location = nullptr;  // null: the system's driver store
    std::wstring backup_index_path;             // empty: "backup.xml" in the program folder
};

class main_window_c : public window_base_c, public ui_window_c<main_window_c> {
public:
    enum class scan_state_c { idle, scanning, results };
    using tab_c = main_tab_c;

    explicit main_window_c(main_window_options_c options = {});
    ~main_window_c() override;

    bool create_main_window();
    // The frame's hook: the caption's icon and title.
    void paint_caption(HDC dc, const RECT& window);

protected:
    bool on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    // The tests' one way in: what they read of the pages, the state, the menu and the caption.
    friend class main_window_test_access_c;

    // A scan asked for from outside (a second start, the automatic scan) while a dialog or a
    // menu is open waits for it to close: a scan drops the pages' results under it.
    static constexpr UINT_PTR deferred_scan_timer_id = 4;
    static constexpr UINT deferred_scan_period_ms = 500;
    // Every download is polled from here, whether or not a panel shows it: one whose package has
    // no panel (after a switch between best and latest, or a rescan) still completes.
    static constexpr UINT_PTR download_poll_timer_id = 5;
    static constexpr UINT download_poll_period_ms = 1000;
    // Quitting waits this long at most for a backup's package under way, and for an unpacking.
    static constexpr std::chrono::milliseconds backup_wait_limit{std::chrono::minutes(2)};
    static constexpr std::chrono::milliseconds unpack_wait_limit{std::chrono::seconds(30)};
    static constexpr int width = 800, height = 600;

    // main_window_win.cpp: creation, layout, painting, pages
    void on_create();
    void create_pages();
    void load_icons();
    void on_size(WPARAM kind);
    void on_min_max_info(MINMAXINFO& info) const;
    void on_command(UINT id);
    // main_window_keys_win.cpp: the keyboard's shortcuts and what a screen reader reads of the
    // caption
    bool on_key_command(UINT id);
    void step_page(int step);
    LRESULT on_get_object(WPARAM wparam, LPARAM lparam);
    void show_page(HWND page);
    void on_home_tab();
    void on_download_tab();
    void on_backup_tab();
    void on_restore_tab();
    void on_results_tab(HWND page, const char* message_key);
    void on_settings();
    void on_about();
    void on_logo();
    void on_maximise();
    void on_minimise();
    void on_menu_button();
    void show_message(const std::wstring& text, message_kind_c kind);
    shell_launcher_c& launcher();

    // main_window_scan_win.cpp: the scan's messages
    void on_start_scan();
    void on_scan_done();
    void on_scan_aborted();
    void on_show_instance(bool start_scan);
    bool dialog_or_menu_open() const;
    void on_deferred_scan_timer();

    // main_window_tray_win.cpp: close, quit, tray and the automatic scan
    void on_close();
    void hide_to_tray();
    void quit();
    void on_auto_scan_timer();
    void on_shown();
    void on_tray_message(LPARAM event);
    void on_destroy();

    main_window_options_c options_;
    home_window_c home_;
    scan_window_c scan_;
    download_window_c download_;
    backup_window_c backup_;
    restore_window_c restore_;
    HWND current_page_ = nullptr;
    scan_state_c scan_state_ = scan_state_c::idle;
    main_caption_c caption_;
    icon_c large_icon_, small_icon_, alert_icon_;
    main_menu_c menu_;
    tray_presence_c presence_;
};
