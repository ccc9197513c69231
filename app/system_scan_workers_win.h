// The scan as the program runs it: SetupAPI into the application's device store, then the query
// through the application's update service.
#pragma once

#include "devices/device_store.h"
#include "service/update_service.h"
#include "ui/scan_workers.h"

// Both must outlive the workers' use (the root owns them until after the window has gone).
scan_workers_c system_scan_workers(device_store_c& store, update_service_c& service);
