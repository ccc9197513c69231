// Reading the update server's answer: per device, the offered driver packages.
#pragma once

#include "devices/device_store.h"
#include "service/package_trust.h"

#include <string_view>

class TiXmlElement;

// The check every item passes before it is stored, and what it found.
struct answer_trust_c {
    explicit answer_trust_c(const package_trust_c& checked_with) : trust(checked_with) {}
    const package_trust_c& trust;
    std::uint32_t refused = 0;         // items dropped: a signature missing, damaged or not ours
    std::uint32_t unsigned_taken = 0;  // unsigned items kept because the settings allow them
};

// Stores each named device's items that pass the trust check. False when the answer is no well-formed document, lacks
// "hardwares", "hardware" or "id", a later "hardware" has no "id" (devices handled before keep
// their items), or it would take more memory than any real answer does.
bool parse_scan_response(std::string_view body, device_store_c& store, answer_trust_c& trust);

// Reads at most 500 "item" children into the device, keeping those that pass; the number stored.
// Their texts are UTF-8 where the answer declares it, otherwise in the thread's ANSI code page.
std::uint32_t parse_items(const TiXmlElement& hardware, device_c& device, answer_trust_c& trust,
                          bool utf8_texts = false);
