#include "app/system_scan_workers_win.h"

#include "devices/system_source.h"
#include "system/machine_description.h"

scan_workers_c system_scan_workers(update_service_c& service) {
    scan_workers_c workers;
    workers.enumerate = [](device_store_c& store, enumeration_progress_c& progress) {
        auto source = make_system_device_source();
        return enumerate_devices(store, *source, progress);
    };
    workers.query = [service = &service](device_store_c& store, const machine_description_c& machine) {
        return query_update_server(*service, store, machine);
    };
    workers.set_stop = [service = &service](bool stop) { service->stop_requested.store(stop); };
    workers.choose_offers = [service = &service](device_store_c& store) {
        choose_offers(*service, store, describe_this_machine().os_version_number);
    };
    workers.hidden_offers_file = service.hidden_offers_file;
    // Without the system's list the classes simply have no images; that is no failure.
    workers.class_images = make_system_class_images();
    return workers;
}
