#include "ui/system_scan_workers_win.h"

#include "app/application_win.h"
#include "devices/system_source.h"
#include "service/last_error.h"
#include "service/update_service.h"

scan_workers_c system_scan_workers() {
    scan_workers_c workers;
    workers.enumerate = [](enumeration_progress_c& progress) {
        device_store_c* store = application().device_store.get();
        if (!store) {
            set_last_error(error_device_set);
            return false;
        }
        auto source = make_system_device_source();
        return enumerate_devices(*store, *source, progress);
    };
    workers.query = [](scan_query_c& query) {
        update_service_c* service = application().update_service.get();
        if (!service || !service->store) {
            set_last_error(error_transfer_create);
            return false;
        }
        return query_update_server(*service, query);
    };
    workers.set_stop = [](bool stop) {
        if (update_service_c* service = application().update_service.get()) service->stop_requested.store(stop);
    };
    return workers;
}
