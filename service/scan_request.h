// The scan request: the machine and every inventoried device as one XML document (exact bytes,
// texts in the ANSI code page), and its zlib stream as it is posted to the update server.
#pragma once

#include "devices/device_store.h"
#include "system/machine_description.h"

#include <string>
#include <vector>

std::string build_scan_request(const device_store_c& store, const machine_description_c& machine);

// One zlib stream at the default level. False when zlib failed; the output is then not to be used.
bool compress_request(std::vector<unsigned char>& out, const std::string& document);
