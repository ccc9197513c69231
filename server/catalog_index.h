// The catalog in memory, indexed for answering scan requests: device IDs upper-cased (Windows
// compares them without regard to case) map to the entries that name them.
#pragma once

#include "server/catalog.h"
#include "server/client_target.h"
#include "server/scan_request_reader.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// One package offered to one device, through its best-matching entry.
struct driver_offer_c {
    const catalog_package_c* package = nullptr;
    const catalog_entry_c* entry = nullptr;
    std::uint32_t cp = 0;  // match rank: lower is a closer match
};

class catalog_index_c {
public:
    explicit catalog_index_c(std::vector<catalog_package_c> packages);

    // The packages for one device, closest match first, at most `most` of them. Entries must be
    // for the target's architecture and for an OS version no later than the target's.
    std::vector<driver_offer_c> offers_for(const requested_device_c& device, const client_target_c& target,
                                           std::size_t most) const;

    const catalog_package_c* find_package(const std::string& file_name) const;
    std::size_t package_count() const { return packages_.size(); }
    std::size_t entry_count() const { return entry_count_; }

private:
    struct entry_ref_c {
        std::uint32_t package;
        std::uint32_t entry;
    };
    std::vector<catalog_package_c> packages_;
    std::unordered_map<std::string, std::vector<entry_ref_c>> by_device_id_;
    std::unordered_map<std::string, std::uint32_t> by_file_name_;
    std::size_t entry_count_ = 0;
};

// The rank of a match in the manner of Windows' driver ranking: the device's hardware IDs before
// its compatible IDs, the INF's hardware ID before the compatible IDs of its model line, and
// earlier IDs of either list before later ones.
std::uint32_t match_rank(bool device_compatible, std::size_t device_position, int inf_id_position);
