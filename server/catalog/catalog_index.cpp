#include "server/catalog/catalog_index.h"

#include "common/text_compare.h"

#include <algorithm>
#include <cstring>
#include <functional>

std::uint32_t match_rank(bool device_compatible, std::size_t device_position, int inf_id_position) {
    std::uint32_t rank = device_compatible ? 0x2000 : 0;
    if (inf_id_position > 0) rank += 0x1000;
    rank += std::uint32_t(std::min<std::size_t>(device_position, 0xF)) << 8;
    rank += std::uint32_t(std::min(inf_id_position, 0xFF));
    return rank;
}

namespace {

// Eight bytes with 0x20 taken off each that is a-z (and below 0x80).
std::uint64_t upper_cased(std::uint64_t word) {
    constexpr std::uint64_t ones = 0x0101010101010101u;
    std::uint64_t seven_bits = word & (0x7F * ones);
    std::uint64_t from_a = seven_bits + (0x80 - 'a') * ones;      // high bit set from 'a' on
    std::uint64_t past_z = seven_bits + (0x80 - 'z' - 1) * ones;  // high bit set past 'z'
    return word ^ ((from_a & ~past_z & ~word & (0x80 * ones)) >> 2);
}

std::uint64_t mixed(std::uint64_t hash, std::uint64_t word) {
    hash = (hash ^ word) * 0x9E3779B97F4A7C15u;
    return hash ^ (hash >> 32);
}

}  // namespace

std::uint64_t device_id_hash(std::string_view device_id) {
    // Upper-cased and hashed in one pass, eight bytes at a time, without a copy.
    std::uint64_t hash = device_id.size();
    std::size_t at = 0;
    for (; at + 8 <= device_id.size(); at += 8) {
        std::uint64_t word;
        std::memcpy(&word, device_id.data() + at, 8);
        hash = mixed(hash, upper_cased(word));
    }
    if (at < device_id.size()) {
        std::uint64_t word = 0;
        std::memcpy(&word, device_id.data() + at, device_id.size() - at);
        hash = mixed(hash, upper_cased(word));
    }
    hash *= 0xD6E8FEB86659FD93u;
    return hash ^ (hash >> 29);
}

catalog_index_c::catalog_index_c(const std::vector<catalog_package_c>& packages) {
    catalog_index_builder_c builder;
    for (const catalog_package_c& p : packages) {
        builder.add_package({p.file_name, p.title, p.official_link, p.md5, p.size, p.sign, p.sha256, p.testing});
        for (const catalog_inf_c& f : p.infs)
            builder.add_inf({{f.inf_path, f.provider, f.class_guid, f.driver_date, f.driver_version}, f.signature});
        for (const catalog_models_line_c& l : p.models_lines) builder.add_models_line({l.inf_index, l.decorations});
        for (const catalog_entry_c& e : p.entries)
            builder.add_entry({e.inf_index, e.device_id, e.architecture, e.description, e.manufacturer, e.id_position,
                               e.os_major, e.os_minor, e.feature_score, e.decoration, e.models_line});
    }
    *this = builder.finish();
}

package_view_c catalog_index_c::package(const driver_offer_c& offer) const {
    const package_c& p = packages_[entries_[offer.entry].package];
    return {texts_.text(p.file_name), texts_.text(p.title), texts_.text(p.official_link), texts_.text(p.md5), p.size, p.sign,
            p.testing != 0};
}

inf_view_c catalog_index_c::inf(const driver_offer_c& offer) const {
    const inf_c& f = infs_[entries_[offer.entry].inf];
    return {texts_.text(f.inf_path), texts_.text(f.provider), texts_.text(f.class_guid), texts_.text(f.driver_date),
            texts_.text(f.driver_version)};
}

entry_view_c catalog_index_c::entry(const driver_offer_c& offer) const {
    const entry_c& e = entries_[offer.entry];
    const decoration_terms_c& d = decorations_[e.decoration];
    return {texts_.text(e.device_id), architectures_[d.architecture], texts_.text(e.description),
            texts_.text(e.manufacturer), e.id_position, d.os_major, d.os_minor, e.feature_score};
}

offered_item_c catalog_index_c::item(const driver_offer_c& offer) const {
    const entry_c& e = entries_[offer.entry];
    const package_c& p = packages_[e.package];
    const inf_c& f = infs_[e.inf];
    offered_item_c item;
    item.device_id = texts_.get(e.device_id);
    item.title = texts_.get(p.title);
    item.driver_version = texts_.get(f.driver_version);
    item.class_guid = texts_.get(f.class_guid);
    item.file_name = texts_.get(p.file_name);
    item.inf_path = texts_.get(f.inf_path);
    item.official_link = texts_.get(p.official_link);
    item.manufacturer = texts_.get(e.manufacturer);
    item.driver_date = texts_.get(f.driver_date);
    item.description = texts_.get(e.description);
    item.size = p.size;
    item.sign = p.sign;
    item.testing = p.testing != 0;
    item.feature_score = e.feature_score;
    const decoration_terms_c& d = decorations_[e.decoration];
    item.target_os = d.os_major == 0 ? 51 : d.os_major * 10 + d.os_minor;
    if (f.signature != unsigned_inf) item.signature = &signatures_[f.signature];
    return item;
}

void catalog_index_c::prefetch_records(const driver_offer_c& offer) const {
    const entry_c& e = entries_[offer.entry];
    __builtin_prefetch(&packages_[e.package]);
    __builtin_prefetch(&infs_[e.inf]);
    __builtin_prefetch(texts_.address(e.description));
}

void catalog_index_c::prefetch_texts(const driver_offer_c& offer) const {
    const entry_c& e = entries_[offer.entry];
    const package_c& p = packages_[e.package];
    const inf_c& f = infs_[e.inf];
    for (std::uint32_t text : {p.title, p.file_name, f.driver_version, f.inf_path, f.driver_date, e.manufacturer})
        __builtin_prefetch(texts_.address(text));
    if (f.signature != unsigned_inf) {
        const char* record = reinterpret_cast<const char*>(&signatures_[f.signature]);
        __builtin_prefetch(record);
        __builtin_prefetch(record + sizeof(item_signature_c) - 1);
    }
}

bool catalog_index_c::find_package(std::string_view file_name, std::uint32_t& number) const {
    std::uint64_t hash = std::hash<std::string_view>{}(file_name);
    auto first = std::lower_bound(by_file_name_.begin(), by_file_name_.end(), hash,
                                  [](const name_slot_c& slot, std::uint64_t h) { return slot.hash < h; });
    for (auto at = first; at != by_file_name_.end() && at->hash == hash; ++at) {
        if (texts_.text(packages_[at->package].file_name) == file_name) {
            number = at->package;
            return true;
        }
    }
    return false;
}

std::size_t catalog_index_c::memory_bytes() const {
    return texts_.memory_bytes() + packages_.capacity() * sizeof(package_c) + infs_.capacity() * sizeof(inf_c) +
           signatures_.capacity() * sizeof(item_signature_c) +
           entries_.capacity() * sizeof(entry_c) + id_slots_.bytes() +
           by_file_name_.capacity() * sizeof(name_slot_c) + decorations_.capacity() * sizeof(decoration_terms_c) +
           first_models_line_.capacity() * sizeof(std::uint32_t) + models_lines_.capacity() * sizeof(models_line_c) +
           line_decorations_.capacity() * sizeof(std::uint16_t) + statement_element_.capacity();
}

bool catalog_index_c::chosen_on_its_line(const entry_c& entry, const client_terms_c& client) const {
    const models_line_c& line = models_lines_[first_models_line_[entry.package] + (entry.models_line & line_number_mask)];
    const std::uint16_t* decorations = &line_decorations_[line.first];
    std::uint32_t best = ~0u;
    for (std::uint32_t at = 0; at < line.count; ++at) {
        const decoration_terms_c& d = decorations_[decorations[at]];
        if (decoration_fits(d, client) && (best == ~0u || decoration_closer(d, decorations_[best]))) best = decorations[at];
    }
    return best == entry.decoration;
}

std::vector<driver_offer_c> catalog_index_c::offers_for(const requested_device_c& device, const client_target_c& target,
                                                        std::size_t most) const {
    match_budget_c budget;
    return offers_for(device, target, most, budget);
}

std::vector<driver_offer_c> catalog_index_c::offers_for(const requested_device_c& device, const client_target_c& target,
                                                        std::size_t most, match_budget_c& budget) const {
    struct candidate_c {
        std::uint32_t package, entry, line, cp;
        int target_os;
    };
    if (!target.supported || most == 0) return {};
    auto architecture = std::find(architectures_.begin(), architectures_.end(), target.architecture);
    if (architecture == architectures_.end()) return {};
    client_terms_c client;
    client.architecture = std::uint8_t(architecture - architectures_.begin());
    client.version_number = target.version_number;
    client.os_major = target.os_major;
    client.os_minor = target.os_minor;
    client.product_type = target.product_type;
    client.build = target.build;
    std::size_t allowed = std::min(budget.left, match_budget_c::per_device);
    std::vector<candidate_c> candidates;
    if (id_slots_.size() == 0) return {};
    // Memory is asked for in stages, each for every ID at once rather than one cache miss after
    // another: the IDs' first slots, then the entries of the slots found.
    constexpr std::size_t prefetched = 16;
    std::uint64_t hashes[prefetched];
    const std::size_t mask = id_slots_.size() - 1;
    const std::size_t ids = device.device_ids.size();
    for (std::size_t i = 0; i < ids && i < prefetched; ++i) {
        hashes[i] = device_id_hash(device.device_ids[i]);
        __builtin_prefetch(&id_slots_[hashes[i] & mask]);
    }
    for (std::size_t i = 0; i < ids && i < prefetched; ++i) {
        for (std::size_t s = hashes[i] & mask; id_slots_[s].count != 0; s = (s + 1) & mask) {
            if (id_slots_[s].check != std::uint32_t(hashes[i] >> 32)) continue;
            __builtin_prefetch(&entries_[id_slots_[s].first]);
            break;
        }
    }
    std::size_t weighed = 0;
    for (std::size_t i = 0; i < ids && weighed < allowed; ++i) {
        std::uint64_t hash = i < prefetched ? hashes[i] : device_id_hash(device.device_ids[i]);
        bool compatible = i >= device.hardware_id_count;
        std::size_t position = compatible ? i - device.hardware_id_count : i;
        // Slots of other IDs may share the check: every one is weighed, its text compared.
        for (std::size_t s = hash & mask; id_slots_[s].count != 0 && weighed < allowed; s = (s + 1) & mask) {
            const id_slot_c& slot = id_slots_[s];
            if (slot.check != std::uint32_t(hash >> 32)) continue;
            // Every line read counts against the budget, offered or not.
            std::uint32_t end = slot.first + std::uint32_t(std::min<std::size_t>(slot.count, allowed - weighed));
            weighed += end - slot.first;
            // An ID's lines mostly name it in the same case, one stored text: compared once.
            std::uint32_t compared = ~0u;
            bool same = false;
            for (std::uint32_t at = slot.first; at < end; ++at) {
                const entry_c& entry = entries_[at];
                const decoration_terms_c& decoration = decorations_[entry.decoration];
                if (!decoration_fits(decoration, client)) continue;
                if (entry.device_id != compared) {
                    compared = entry.device_id;
                    same = equal_ignoring_ascii_case(texts_.text(entry.device_id), device.device_ids[i]);
                }
                if (!same) continue;
                // Only a line naming another decoration for the client's architecture has a choice to make.
                if ((entry.models_line & rivals_bit) && !chosen_on_its_line(entry, client)) continue;
                int target_os = decoration.os_major == 0 ? 51 : decoration.os_major * 10 + decoration.os_minor;
                candidates.push_back({entry.package, at, entry.line, match_rank(compatible, position, entry.id_position), target_os});
            }
        }
    }
    budget.left -= weighed;
    // One offer per package: its closest entry, then the most specific OS version, then the first.
    std::sort(candidates.begin(), candidates.end(), [](const candidate_c& a, const candidate_c& b) {
        if (a.package != b.package) return a.package < b.package;
        if (a.cp != b.cp) return a.cp < b.cp;
        if (a.target_os != b.target_os) return a.target_os > b.target_os;
        return a.line < b.line;
    });
    candidates.erase(std::unique(candidates.begin(), candidates.end(),
                                 [](const candidate_c& a, const candidate_c& b) { return a.package == b.package; }),
                     candidates.end());
    // The closest packages, in catalog order among equals.
    std::size_t kept = std::min(most, candidates.size());
    std::partial_sort(candidates.begin(), candidates.begin() + std::ptrdiff_t(kept), candidates.end(),
                      [](const candidate_c& a, const candidate_c& b) { return a.cp != b.cp ? a.cp < b.cp : a.package < b.package; });
    std::vector<driver_offer_c> offers;
    offers.reserve(kept);
    for (std::size_t c = 0; c < kept; ++c) offers.push_back({candidates[c].entry, candidates[c].cp});
    return offers;
}
