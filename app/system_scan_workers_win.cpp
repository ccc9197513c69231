#include "app/system_scan_workers_win.h"

#include "devices/system_source.h"

scan_workers_c system_scan_workers(device_store_c& store, update_service_c& service) {
    scan_workers_c workers;
    workers.enumerate = [store = &store](enumeration_progress_c& progress) {
        auto source = make_system_device_source();
        return enumerate_devices(*store, *source, progress);
    };
    workers.query = [service = &service](scan_query_c& query) { return query_update_server(*service, query); };
    workers.set_stop = [service = &service](bool stop) { service->stop_requested.store(stop); };
    return workers;
}
