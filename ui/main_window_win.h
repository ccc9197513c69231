// The program's top-level window, titled "Vantorel". It comes to the front when a second start
// asks, and runs a scan on WM_START_SCAN: the device enumeration on a worker thread, followed on
// a 200 ms timer. The pages of the full interface grow out of it.
#pragma once

#include "devices/device_store.h"
#include "ui/window_base_win.h"

#include <atomic>
#include <thread>

class main_window_c : public window_base_c {
public:
    enum class scan_state_c { idle, scanning, results };

    main_window_c() = default;
    ~main_window_c() override;

    bool create_main_window();
    scan_state_c scan_state() const { return scan_state_; }

protected:
    bool on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    void on_create();
    void on_show_instance(bool start_scan);
    void on_start_scan();
    void on_scan_tick();
    void on_paint();
    void on_close();
    void on_destroy();
    void join_worker();

    scan_state_c scan_state_ = scan_state_c::idle;
    enumeration_progress_c progress_;
    std::thread worker_;
    std::atomic<bool> worker_done_{false};
    bool worker_succeeded_ = false;
};
