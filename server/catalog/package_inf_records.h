// The catalog records one INF file of a package gives: the file, its [Manufacturer] lines whose
// sections gave entries, and an entry per device ID of every model line.
#pragma once

#include "server/catalog/catalog.h"
#include "server/inf/inf_driver_info.h"

#include <string>

void add_inf_records(catalog_package_c& package, std::string inf_path, const inf_driver_info_c& info);
