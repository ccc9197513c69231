// The main window's scan: the device enumeration into the device store, then, when it succeeded,
// the scan query through the update service. Each runs on a worker thread that never touches a
// window; the 200 ms timer sees it end and moves on.
#include "ui/main_window_win.h"

#include "app/application_win.h"
#include "app/machine_facts.h"
#include "app/settings_win.h"
#include "app/wmi_facts.h"
#include "devices/system_source.h"
#include "service/update_service.h"
#include "ui/window_messages.h"

#include <cstdint>

void main_window_c::on_start_scan() {
    if (scan_running()) return;
    device_store_c* store = application().device_store.get();
    if (!store || !application().update_service) return;
    join_worker();
    scan_state_ = scan_state_c::enumerating;
    progress_.include_absent = settings().scan_offline ? 1 : 0;
    start_worker([this, store] {
        auto source = make_system_device_source();
        return enumerate_devices(*store, *source, progress_);
    });
    SetTimer(handle(), scan_timer_id, scan_timer_period_ms, nullptr);
    InvalidateRect(handle(), nullptr, TRUE);
}

void main_window_c::on_scan_tick() {
    if (worker_done_.load()) {
        join_worker();
        bool succeeded = worker_succeeded_.load();
        if (scan_state_ == scan_state_c::enumerating && succeeded)
            start_query();
        else
            finish_scan(succeeded);
    }
    InvalidateRect(handle(), nullptr, TRUE);
}

void main_window_c::start_query() {
    update_service_c* service = application().update_service.get();
    query_ = scan_query_c{};
    query_.os_code = os_code();
    query_.model = system_facts().model.c_str();
    query_.os_version_number = os_version_number();
    query_.lang = std::int32_t(oem_code_page());
    scan_state_ = scan_state_c::querying;
    start_worker([this, service] { return query_update_server(*service, query_); });
}

void main_window_c::finish_scan(bool succeeded) {
    KillTimer(handle(), scan_timer_id);
    scan_state_ = succeeded ? scan_state_c::results : scan_state_c::failed;
}

void main_window_c::start_worker(std::function<bool()> body) {
    worker_done_.store(false);
    worker_succeeded_.store(false);
    worker_ = std::thread([this, body = std::move(body)] {
        bool succeeded = false;
        try {
            succeeded = body();
        } catch (...) {
            succeeded = false;  // nothing leaves the thread; the scan simply failed
        }
        worker_succeeded_.store(succeeded);
        worker_done_.store(true);
    });
}

void main_window_c::join_worker() {
    if (worker_.joinable()) worker_.join();
}
