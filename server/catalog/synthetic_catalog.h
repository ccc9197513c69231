// Large generated catalogs and matching scan requests, for load benchmarks: packages that
// exist only as catalog records, with device IDs shaped like real PCI, USB and HD Audio IDs.
#pragma once

#include "server/catalog/catalog.h"
#include "server/scan/scan_request_reader.h"

#include <cstdint>
#include <string>
#include <vector>

std::vector<catalog_package_c> synthetic_packages(std::size_t count, std::uint32_t seed);

// The request document of a machine with `devices` devices of which about one in three has IDs
// from the synthetic catalog of the same seed; each device sends `ids_per_device` IDs.
std::string synthetic_request_document(std::size_t devices, std::size_t ids_per_device, std::size_t catalog_size,
                                       std::uint32_t seed);
