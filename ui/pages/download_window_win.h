// The download page: what a finished scan found, one panel per offered package (best or latest
// offers, as the radios choose), the header with the number of out-of-date drivers, the bottom
// bar that ticks and downloads all, and the sidebar with the score, the pie chart, the counts
// and the FAQ link. The panels point into the device records: they are dropped as soon as a new
// scan starts.
#pragma once

#include "service/scan_result.h"
#include "devices/device_store.h"
#include "ui/pages/download_all_win.h"
#include "ui/pages/download_panel_win.h"
#include "ui/pages/install_gates_win.h"
#include "ui/kit/link_win.h"
#include "ui/kit/panel_list_win.h"
#include "ui/kit/pie_chart_win.h"
#include "ui/pages/result_counts.h"
#include "ui/kit/window_base_win.h"

#include <functional>
#include <memory>
#include <vector>

class download_window_c : public window_base_c {
public:
    download_window_c(shell_launcher_c& launcher, scan_task_calls_c* task_calls);
    ~download_window_c() override;

    bool create_page(HWND parent, const RECT& area);
    // WM_SCAN_DONE: the scan's devices, offers and total; the page keeps them.
    void take_results(std::shared_ptr<const scan_result_c> result);
    // A new scan starts: the device records are about to be replaced.
    void drop_results();
    // How the page chooses the offers again once the user hid or showed some (the panels' menu),
    // and the list they go to; without them no offer can be hidden from the page.
    void set_offer_chooser(std::function<void(device_store_c&)> choose, std::wstring hidden_offers_file);
    // Where the drivers an update replaces are backed up before it is installed (and Undo finds
    // them): the driver store and the backup index.
    void configure_backups(const driver_store_location_c* location, std::wstring index_path);
    // "Show hidden": the offers the user hid come back, marked (for the switch and for tests).
    void set_show_hidden(bool show);
    bool show_hidden() const { return show_hidden_; }
    HWND show_hidden_box() const { return show_hidden_box_; }
    bool has_results() const { return store_ != nullptr; }
    const result_counts_c& counts() const { return counts_; }
    int device_total() const { return device_total_; }
    package_mode_c package_mode() const { return package_mode_; }
    // Regroups and rebuilds the panels, as the radios do.
    void set_package_mode(package_mode_c mode);
    const std::vector<panel_list_c<download_panel_c>::entry_c>& panels() const { return list_.entries(); }
    HWND best_radio() const { return best_; }
    HWND latest_radio() const { return latest_; }
    const download_all_window_c& bottom_bar() const { return bar_; }
    const pie_chart_c& chart() const { return chart_; }

protected:
    bool on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    void on_create();
    void on_size();
    void on_scale_changed();
    void on_shown();
    void on_paint();
    void on_command(WPARAM wparam, LPARAM lparam);
    void check_all(bool checked);
    void download_checked();
    void rebuild_panels();
    // Shows the devices' offers: counts, groups, panels and the chart.
    void show_store(std::shared_ptr<const device_store_c> store);
    void on_hidden_offers_changed();
    void paint_header(HDC dc, const RECT& client);
    void paint_sidebar(HDC dc, const RECT& client);
    LRESULT on_get_object(WPARAM wparam, LPARAM lparam);

    download_panel_context_c context_;
    window_install_gates_c gates_;
    std::shared_ptr<const device_store_c> store_;
    std::vector<driver_group_c> groups_;
    package_mode_c package_mode_ = package_mode_c::best;
    int device_total_ = 0;
    result_counts_c counts_;
    panel_list_c<download_panel_c> list_;
    download_all_window_c bar_;
    pie_chart_c chart_;
    link_c faq_;
    HWND best_ = nullptr, latest_ = nullptr;
    HWND show_hidden_box_ = nullptr;
    bool show_hidden_ = false;
    std::function<void(device_store_c&)> choose_offers_;
};
