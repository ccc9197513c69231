// The scan request: the machine and every inventoried device as one XML document (exact bytes,
// texts in the ANSI code page), and its zlib stream as it is posted to the update server.
#pragma once

#include "devices/device_store.h"
#include "system/machine_description.h"

#include <cstdint>
#include <string>
#include <vector>

std::string build_scan_request(const device_store_c& store, const machine_description_c& machine);

// One zlib stream at the default level. 0 on success, otherwise zlib's status or -1; on failure
// the output is not to be used.
std::int32_t compress_request(std::vector<unsigned char>& out, const std::string& document);
