// Reading the update server's answer: per device, the offered driver packages.
#pragma once

#include "devices/device_store.h"

#include <string_view>

class TiXmlElement;

// Stores each named device's items. False when the answer is no well-formed document, lacks
// "hardwares", "hardware" or "id", a later "hardware" has no "id" (devices handled before keep
// their items), or it would take more memory than any real answer does.
bool parse_scan_response(std::string_view body, device_store_c& store);

// Reads at most 500 "item" children into the device; the number stored.
std::uint32_t parse_items(const TiXmlElement& hardware, device_c& device);
