// Reading the update server's answer: per device, the offered driver packages.
#pragma once

#include "devices/device_store.h"
#include "service/catalog_freshness.h"
#include "service/package_trust.h"

#include <ctime>

#include <string_view>

class TiXmlElement;

// The check every item passes before it is stored, and what it found.
struct answer_trust_c {
    explicit answer_trust_c(const package_trust_c& checked_with, std::uint64_t newest_serial = 0)
        : trust(checked_with), newest_serial_seen(newest_serial) {}
    const package_trust_c& trust;
    std::uint64_t newest_serial_seen = 0;  // of the catalog statements this user has believed
    std::int64_t now = std::time(nullptr);
    statement_check_c statement;       // what the answer's catalog statement was found to be
    bool statement_refused = false;    // the answer was refused for it: nothing was read
    std::uint32_t refused = 0;         // items dropped: a signature missing, damaged or not ours
    std::uint32_t unsigned_taken = 0;  // unsigned items kept because the settings allow them
    std::uint32_t withdrawn = 0;       // signed items dropped: their package is withdrawn
};

// Refuses, reading nothing, an answer whose catalog statement is missing, not the owner's, expired
// or older than the newest seen (statement_refused set); a mirror whose unsigned packages the
// trust allows may send no statement, or one not the owner's. Then stores each named device's
// items that pass the trust check and are not withdrawn. False when the answer is no well-formed document, lacks
// "hardwares", "hardware" or "id", a later "hardware" has no "id" (devices handled before keep
// their items), or it would take more memory than any real answer does.
bool parse_scan_response(std::string_view body, device_store_c& store, answer_trust_c& trust);

// Reads at most 500 "item" children into the device, keeping those that pass; the number stored.
// Their texts are UTF-8 where the answer declares it, otherwise in the thread's ANSI code page.
std::uint32_t parse_items(const TiXmlElement& hardware, device_c& device, answer_trust_c& trust,
                          bool utf8_texts = false);
