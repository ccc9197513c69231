// The scan page: runs the two halves of a scan on a worker thread, one after the other, follows
// them from a 200 ms timer (id 1), shows their progress, reports a failed query and tells the
// main window how the scan ended: WM_SCAN_DONE (the scan's result is then `result()`),
// WM_SCAN_ABORTED, or WM_START_SCAN when the user retries. An unattended scan (the automatic one)
// shows no box: its failure is kept as a text for the main window to tell. The workers never
// touch a window.
#pragma once

#include "common/worker.h"
#include "ui/dialogs/message_window_win.h"
#include "ui/pages/scan_status.h"
#include "ui/pages/scan_workers.h"
#include "ui/kit/window_base_win.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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
    // The scan's worker is still running.
    bool workers_running() const { return worker_.running(); }
    // The last scan that ended: its devices, offers and outcome; null before the first.
    std::shared_ptr<const scan_result_c> result() const { return result_; }
    const enumeration_progress_c& progress() const { return progress_; }
    const status_box_c& status_box() const { return box_; }
    // Before the page goes: the timer stops, a running enumeration or query is asked to end, and
    // the worker is waited for.
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
    // The worker could not start: the scan ends as failed.
    void on_worker_refused(failure_code_c failure);
    void abort_scan(const wchar_t* text);
    // Accept: retry; decline: cancel (also for a code without a text, which shows nothing; and
    // for an unattended scan, which keeps the text instead).
    // Names the devices whose installed driver the catalog owner withdrew, with the reasons.
    void tell_withdrawn_drivers(const device_store_c& store);
    message_answer_c report_query_error(const query_outcome_c& outcome);
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
    // The scan under way: its store and machine, filled on the worker; the outcome is written by
    // the worker and read once it has ended.
    std::shared_ptr<device_store_c> store_;
    machine_description_c machine_;
    query_outcome_c outcome_;
    worker_c worker_;
    std::shared_ptr<const scan_result_c> result_;
    status_box_c box_;
    int rows_bottom_ = 0;
};
