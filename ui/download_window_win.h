// The download page: what a finished scan found. The header tells how many drivers are out of
// date, and the sidebar gives the score and the counts. The page keeps the counts of the last
// results until a new scan starts, when they are dropped with everything that points into the
// device records.
#pragma once

#include "devices/device_store.h"
#include "ui/result_counts.h"
#include "ui/window_base_win.h"

class download_window_c : public window_base_c {
public:
    bool create_page(HWND parent, const RECT& area);
    // WM_SCAN_DONE: the enumeration's total and the store the scan filled.
    void take_results(int device_total, const device_store_c& store);
    // A new scan starts: the device records are about to be replaced.
    void drop_results();
    bool has_results() const { return has_results_; }
    const result_counts_c& counts() const { return counts_; }
    int device_total() const { return device_total_; }

protected:
    bool on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    void on_paint();
    void paint_header(HDC dc, const RECT& client);
    void paint_sidebar(HDC dc, const RECT& client);

    bool has_results_ = false;
    int device_total_ = 0;
    result_counts_c counts_;
};
