// The scan as the program runs it: SetupAPI into each scan's store, then the query through the
// application's update service.
#pragma once

#include "service/update_service.h"
#include "ui/pages/scan_workers.h"

// The service must outlive the workers' use (the root owns it until after the window has gone).
scan_workers_c system_scan_workers(update_service_c& service);
