// One download panel's package: the devices (in scan order) whose chosen offer has the same
// package link, and the rows the device details dialog shows for one of them.
#pragma once

#include "devices/device_record.h"
#include "devices/driver_item.h"

#include <string>
#include <vector>

// Which offer of each device the download page shows.
enum class package_mode_c { best, latest };

// The device's offer in that mode, and whether it is an update.
inline const driver_item_c* chosen_item(const device_c& device, package_mode_c mode) {
    return mode == package_mode_c::best ? device.best_item() : device.latest_item();
}
inline bool chosen_is_update(const device_c& device, package_mode_c mode) {
    return mode == package_mode_c::best ? device.best_is_update : device.latest_is_update;
}
// Why the device's offer in that mode is, or is not, an update: the matching's reason for the best
// offer; for the latest, which is judged by date and version alone, hidden, no driver, newer or not.
inline offer_reason_c chosen_reason(const device_c& device, package_mode_c mode) {
    if (mode == package_mode_c::best) return device.best_reason;
    if (device.latest_hidden) return offer_reason_c::hidden;
    if (!device.has_driver) return offer_reason_c::no_driver;
    return device.latest_is_update ? offer_reason_c::newer : offer_reason_c::not_newer;
}
// Whether the user hid the device's offer in that mode.
inline bool chosen_is_hidden(const device_c& device, package_mode_c mode) {
    return mode == package_mode_c::best ? device.best_hidden : device.latest_hidden;
}

struct driver_group_c {
    const char* link = nullptr;          // the chosen offer's package link, shared by the devices
    bool none_needed = false;            // no device of the group has the update flag of the mode
    package_mode_c mode = package_mode_c::best;  // which offer of each device was used
    const driver_item_c* item = nullptr;  // the chosen offer of the first device
    bool hidden = false;                  // the user hid a device's offer (shown with "Show hidden" only)
    std::vector<const device_c*> devices;
};

struct detail_row_c {
    const char* label_key;
    std::wstring current;
    std::wstring offered;
};

// The text shown where a value is missing.
constexpr const wchar_t* blank_value = L"(blank)";

// Why the device's best offer is, or is not, an update, in the language's words ("Why: ...").
std::wstring offer_reason_words(offer_reason_c reason);

// The details dialog's thirteen rows for a device, in order; the new-driver column comes from
// its best offer ("(blank)" in every cell when it has none).
std::vector<detail_row_c> device_detail_rows(const device_c& device);
