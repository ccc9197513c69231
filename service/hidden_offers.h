// The offers the user chose not to see: one version of a device's driver ("Hide this update"),
// or every offer for a device ("Never for this device"). Kept in "hidden.dat" in the user's data
// folder, one per line: the device's instance path, a tab, then the version or "*" (UTF-8). An
// offer newer than the hidden version is offered again.
#pragma once

#include "devices/device_record.h"

#include <optional>
#include <string>
#include <vector>

struct hidden_offer_c {
    std::wstring instance_path;
    std::wstring version;  // empty: every offer for the device

    bool every_version() const { return version.empty(); }
};

class hidden_offers_c {
public:
    // Whether the offer is hidden for the device: the device is never to be offered anything, or
    // the offer is no newer than a version hidden for it. Instance paths compare without regard to
    // case, as Windows compares them.
    bool hides(const device_c& device, const driver_item_c& item) const;
    // Hides a version (or, empty, every offer) for the device; hiding what is hidden already
    // changes nothing.
    void hide(const std::wstring& instance_path, const std::wstring& version);
    // Unhides the version (or, empty, everything hidden) for the device; the number of entries removed.
    std::size_t unhide(const std::wstring& instance_path, const std::wstring& version);
    const std::vector<hidden_offer_c>& entries() const { return entries_; }
    bool empty() const { return entries_.empty(); }

private:
    std::vector<hidden_offer_c> entries_;
};

// "hidden.dat" in this data folder.
std::wstring hidden_offers_path(const std::wstring& data_folder);
// The list in the file: empty when the file does not exist; nothing when it cannot be read.
// Lines that are no entry are passed over.
std::optional<hidden_offers_c> read_hidden_offers(const std::wstring& path);
// Replaces the file with the list (the old file stays whole when writing fails).
bool write_hidden_offers(const std::wstring& path, const hidden_offers_c& offers);
