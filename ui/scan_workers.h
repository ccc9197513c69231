// The two halves of a scan as the scan page runs them on its worker threads: the device
// enumeration into the program's device store, then the scan query through the update service.
// The program uses the system's; tests put their own in.
#pragma once

#include "devices/device_store.h"
#include "service/scan_query.h"

#include <functional>

struct scan_workers_c {
    // Each returns true on success, else leaves last_error.
    std::function<bool(enumeration_progress_c&)> enumerate;
    std::function<bool(scan_query_c&)> query;
    // true: asks a running query to end soon (the window is closing); false before a query
    // starts. May be empty.
    std::function<void(bool)> set_stop;
};
