// The program's top-level window, titled "Vantorel" and of the class main_window_class_name, by
// which a second start finds it. It comes to the front when a second start asks, and runs a scan
// on WM_START_SCAN: the device enumeration, then the scan query through the update service, each
// on a worker thread that a 200 ms timer follows (main_window_scan_win.cpp). The pages of the
// full interface grow out of it.
#pragma once

#include "devices/device_store.h"
#include "service/scan_query.h"
#include "ui/window_base_win.h"

#include <atomic>
#include <functional>
#include <thread>

class main_window_c : public window_base_c {
public:
    // enumerating and querying are the two halves of a running scan; failed leaves last_error.
    enum class scan_state_c { idle, enumerating, querying, results, failed };

    main_window_c() = default;
    ~main_window_c() override;

    bool create_main_window();
    scan_state_c scan_state() const { return scan_state_; }
    bool scan_running() const { return scan_state_ == scan_state_c::enumerating || scan_state_ == scan_state_c::querying; }

protected:
    bool on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    void on_create();
    void on_show_instance(bool start_scan);
    void on_paint();
    void on_close();
    void on_destroy();

    // main_window_scan_win.cpp
    void on_start_scan();
    void on_scan_tick();
    void start_query();
    void finish_scan(bool succeeded);
    void start_worker(std::function<bool()> body);
    void join_worker();

    static constexpr UINT_PTR scan_timer_id = 1;
    static constexpr UINT scan_timer_period_ms = 200;

    scan_state_c scan_state_ = scan_state_c::idle;
    enumeration_progress_c progress_;
    scan_query_c query_;
    std::thread worker_;
    std::atomic<bool> worker_done_{false};
    std::atomic<bool> worker_succeeded_{false};
};
