// Choosing, for each device, the best and the newest offered package, and whether each should be
// offered as an update of the installed driver.
#pragma once

#include "devices/device_record.h"

#include <cstdint>
#include <set>
#include <string>

class hidden_offers_c;

struct matching_context_c {
    std::int32_t os_version_number = 0;          // of the running system
    const std::set<std::string>* installed_links = nullptr;  // links whose set-up was started
    const hidden_offers_c* hidden = nullptr;     // the offers the user hid
    bool show_hidden = false;                    // hidden updates stay updates, marked
};

// Positive when a is preferred over b (closer target OS, better signature, lower feature score,
// lower preference number, later date, higher version); 0 or negative otherwise.
std::int32_t compare_items(const driver_item_c& a, const driver_item_c& b, std::int32_t os_version_number);

// a is a strictly higher version than b; each reads as four integers, missing ones as 0.
bool version_newer(const char* a, const char* b);

std::uint32_t signature_level(std::uint32_t rank, std::int32_t os_version_number);
std::uint32_t feature_level(std::uint32_t rank, std::int32_t os_version_number);

// An installed driver whose rank is unknown is judged by date, then version, as judge_latest does.
void judge_best(const matching_context_c& context, device_c& device);
void judge_latest(const matching_context_c& context, device_c& device);

// Picks best and latest among the device's items and judges both; an update the user hid is
// none (reason hidden) unless hidden offers are shown, and marked either way.
void choose_items(const matching_context_c& context, device_c& device);
