// The scan page: runs the two halves of a scan on worker threads, follows them from a 200 ms
// timer (id 1), shows their progress, reports a failed query and tells the main window how the
// scan ended: WM_SCAN_DONE (wParam the enumeration's total), WM_SCAN_ABORTED, or WM_START_SCAN
// when the user retries. An unattended scan (the automatic one) shows no box: its failure is
// kept as a text for the main window to tell. The workers never touch a window.
#pragma once

#include "download/worker_call.h"
#include "ui/scan_status.h"
#include "ui/scan_workers.h"
#include "ui/window_base_win.h"

#include <cstdint>
#include <string>
#include <vector>
#include <thread>

class scan_window_c : public window_base_c {
public:
    explicit scan_window_c(scan_workers_c workers);
    ~scan_window_c() override;

    bool create_page(HWND parent, const RECT& area);
    // The main window's start of a scan: step 0, the start time, and the timer. Unattended: a
    // failure shows no box and ends the scan (no retry).
    void begin(std::int64_t start_time, bool unattended = false);
    // Why the last unattended scan failed, in the words its box would have used; empty when it
    // did not fail or its failure has no text.
    const std::wstring& failure_text() const { return failure_text_; }
    // 0 before the first tick, 1 while the enumeration runs, 2 while the query runs.
    int step() const { return step_; }
    void reset_step() { step_ = 0; }
    std::int64_t start_time() const { return start_time_; }
    // A worker thread is still there (ended or not, not yet joined).
    bool workers_running() const { return enumeration_thread_.joinable() || query_thread_.joinable(); }
    const enumeration_progress_c& progress() const { return progress_; }
    const status_box_c& status_box() const { return box_; }
    // Before the device store goes: the timer stops, a running enumeration and query are asked
    // to end, and both threads are waited for.
    void stop_workers();

    static constexpr UINT_PTR timer_id = 1;
    static constexpr UINT timer_period_ms = 200;

protected:
    bool on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    void on_tick();
    void start_enumeration();
    void on_enumeration_ended();
    void start_query();
    void on_query_ended();
    // 1 retry, 2 cancel (also for a code without a text, which shows nothing; and for an
    // unattended scan, which keeps the text instead).
    int report_query_error();
    void on_size();
    void on_paint();
    void paint_status_rows(HDC dc, const RECT& client);
    // The five rows' texts as they show now.
    std::vector<std::wstring> status_rows();
    LRESULT on_get_object(WPARAM wparam, LPARAM lparam);
    void paint_waiting_box(HDC dc, const RECT& client);
    void paint_progress_bar(HDC dc, const RECT& client);
    void end_timer();

    scan_workers_c workers_;
    int step_ = 0;
    bool timer_running_ = false;
    bool in_tick_ = false;
    bool unattended_ = false;
    std::wstring failure_text_;
    std::int64_t start_time_ = 0;
    enumeration_progress_c progress_;
    scan_query_c query_;
    worker_call_c enumeration_call_;
    worker_call_c query_call_;
    std::thread enumeration_thread_;
    std::thread query_thread_;
    status_box_c box_;
    int rows_bottom_ = 0;
};
