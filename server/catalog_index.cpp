#include "server/catalog_index.h"

#include "common/text_compare.h"

#include <algorithm>

namespace {

// Entries weighed for one device at most: generic IDs (a class code) may be named by thousands of
// packages, and the device's own IDs come first in its list.
constexpr std::size_t most_candidates = 4096;

}  // namespace

std::uint32_t match_rank(bool device_compatible, std::size_t device_position, int inf_id_position) {
    std::uint32_t rank = device_compatible ? 0x2000 : 0;
    if (inf_id_position > 0) rank += 0x1000;
    rank += std::uint32_t(std::min<std::size_t>(device_position, 0xF)) << 8;
    rank += std::uint32_t(std::min(inf_id_position, 0xFF));
    return rank;
}

catalog_index_c::catalog_index_c(std::vector<catalog_package_c> packages) : packages_(std::move(packages)) {
    for (std::uint32_t p = 0; p < packages_.size(); ++p) {
        const auto& package = packages_[p];
        by_file_name_.emplace(package.file_name, p);
        for (std::uint32_t e = 0; e < package.entries.size(); ++e)
            by_device_id_[ascii_uppered(package.entries[e].device_id)].push_back({p, e});
        entry_count_ += package.entries.size();
    }
}

const catalog_package_c* catalog_index_c::find_package(const std::string& file_name) const {
    auto found = by_file_name_.find(file_name);
    return found == by_file_name_.end() ? nullptr : &packages_[found->second];
}

std::vector<driver_offer_c> catalog_index_c::offers_for(const requested_device_c& device, const client_target_c& target,
                                                        std::size_t most) const {
    struct candidate_c {
        std::uint32_t package, entry, cp;
        int target_os;
    };
    std::vector<candidate_c> candidates;
    if (!target.supported) return {};
    std::string key;
    for (std::size_t i = 0; i < device.device_ids.size(); ++i) {
        key.assign(device.device_ids[i]);
        for (char& c : key) c = ascii_upper(c);
        auto found = by_device_id_.find(key);
        if (found == by_device_id_.end()) continue;
        bool compatible = i >= device.hardware_id_count;
        std::size_t position = compatible ? i - device.hardware_id_count : i;
        for (const entry_ref_c& ref : found->second) {
            const catalog_entry_c& entry = packages_[ref.package].entries[ref.entry];
            if (entry.architecture != target.architecture) continue;
            int target_os = entry_target_os(entry);
            if (entry.os_major != 0 && target_os > target.version_number) continue;
            candidates.push_back({ref.package, ref.entry, match_rank(compatible, position, entry.id_position), target_os});
            if (candidates.size() == most_candidates) break;
        }
        if (candidates.size() == most_candidates) break;
    }
    // One offer per package: its closest entry, then the most specific OS version, then the first.
    std::sort(candidates.begin(), candidates.end(), [](const candidate_c& a, const candidate_c& b) {
        if (a.package != b.package) return a.package < b.package;
        if (a.cp != b.cp) return a.cp < b.cp;
        if (a.target_os != b.target_os) return a.target_os > b.target_os;
        return a.entry < b.entry;
    });
    candidates.erase(std::unique(candidates.begin(), candidates.end(),
                                 [](const candidate_c& a, const candidate_c& b) { return a.package == b.package; }),
                     candidates.end());
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const candidate_c& a, const candidate_c& b) { return a.cp < b.cp; });
    if (candidates.size() > most) candidates.resize(most);

    std::vector<driver_offer_c> offers;
    offers.reserve(candidates.size());
    for (const auto& c : candidates)
        offers.push_back({&packages_[c.package], &packages_[c.package].entries[c.entry], c.cp});
    return offers;
}
