// The scan as the program runs it: SetupAPI into the application's device store, then the query
// through the application's update service.
#pragma once

#include "ui/scan_workers.h"

scan_workers_c system_scan_workers();
