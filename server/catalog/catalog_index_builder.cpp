#include "server/catalog/catalog_index.h"

#include "server/inf/models_decoration.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

void catalog_index_builder_c::expect(std::size_t packages, std::size_t entries) {
    index_.packages_.reserve(packages);
    index_.infs_.reserve(packages);
    index_.entries_.reserve(entries);
    index_.first_models_line_.reserve(packages);
    index_.models_lines_.reserve(packages);
    // Device IDs (about half of the entries' are distinct), descriptions, titles, versions; about
    // 40 bytes each, file names and digests besides.
    index_.texts_.reserve(entries / 2 + packages * 3, entries * 32 + packages * 192);
}

void catalog_index_builder_c::add_package(const package_fields_c& p) {
    text_pool_c& texts = index_.texts_;
    package_sha256_ = p.sha256.empty() ? std::nullopt : digest_from_hex(p.sha256);
    // File names are unique in a catalog, and so (nearly) are the archives' digests.
    index_.packages_.push_back({p.size, texts.add(p.file_name), texts.intern(p.title), texts.intern(p.official_link),
                                texts.add(p.md5), std::uint32_t(index_.infs_.size()), std::int16_t(p.sign),
                                std::uint8_t(p.testing ? 1 : 0)});
    index_.first_models_line_.push_back(std::uint32_t(index_.models_lines_.size()));
    index_.any_testing_ = index_.any_testing_ || p.testing;
    if (p.testing && !p.sha256.empty()) index_.testing_digests_.emplace(p.sha256);
}

void catalog_index_builder_c::add_inf(const inf_fields_c& f) {
    if (index_.packages_.empty()) return;
    text_pool_c& texts = index_.texts_;
    std::uint32_t signature = catalog_index_c::unsigned_inf;
    std::optional<signature_c> signed_by = f.signature.empty() || !package_sha256_ ? std::nullopt : signature_from_hex(f.signature);
    if (signed_by) {
        signature = std::uint32_t(index_.signatures_.size());
        index_.signatures_.push_back({*package_sha256_, *signed_by});
    }
    index_.infs_.push_back({texts.intern(f.inf_path), texts.intern(f.provider), texts.intern(f.class_guid),
                            texts.intern(f.driver_date), texts.intern(f.driver_version), signature});
}

std::uint8_t catalog_index_builder_c::architecture_number(std::string_view name) {
    // Lines of one package mostly share their architecture: look it up only when it changes.
    if (index_.architectures_.empty() || name != previous_architecture_) {
        auto& names = index_.architectures_;
        auto found = std::find(names.begin(), names.end(), name);
        if (found == names.end()) {
            if (names.size() == 256) throw std::length_error("the catalog names more than 256 architectures");
            found = names.insert(names.end(), std::string(name));
        }
        previous_architecture_number_ = std::uint8_t(found - names.begin());
        previous_architecture_.assign(name);
    }
    return previous_architecture_number_;
}

std::uint16_t catalog_index_builder_c::decoration_number(const decoration_terms_c& d) {
    auto key = std::make_tuple(int(d.form), d.line_unknown, int(d.architecture), int(d.os_major), int(d.os_minor), d.product_type,
                               d.suite_mask, d.build);
    auto found = decoration_numbers_.find(key);
    if (found != decoration_numbers_.end()) return found->second;
    if (index_.decorations_.size() == 0x10000) throw std::length_error("the catalog names more than 65536 decorations");
    auto number = std::uint16_t(index_.decorations_.size());
    index_.decorations_.push_back(d);
    decoration_numbers_.emplace(key, number);
    return number;
}

std::uint16_t catalog_index_builder_c::decoration_number(std::string_view decoration) {
    models_decoration_c parsed = parse_models_decoration(decoration);
    auto clamp16 = [](int value) { return std::uint16_t(std::clamp(value, 0, 0xFFFF)); };
    decoration_terms_c terms;
    terms.form = parsed.form;
    terms.architecture = architecture_number(parsed.architecture);
    terms.os_major = clamp16(parsed.os_major);
    terms.os_minor = clamp16(parsed.os_minor);
    terms.product_type = parsed.product_type;
    terms.suite_mask = parsed.suite_mask;
    terms.build = parsed.build;
    return decoration_number(terms);
}

void catalog_index_builder_c::add_models_line(const models_line_fields_c& line) {
    if (index_.packages_.empty()) return;
    std::uint32_t first_line = index_.first_models_line_.back();
    if (index_.models_lines_.size() - first_line >= catalog_index_c::line_number_mask) return;
    auto first = std::uint32_t(index_.line_decorations_.size());
    // The undecorated section is always one of the line's, first.
    auto add = [&](std::uint16_t number) {
        for (std::size_t at = first; at < index_.line_decorations_.size(); ++at)
            if (index_.line_decorations_[at] == number) return;
        index_.line_decorations_.push_back(number);
    };
    add(decoration_number(std::string_view()));
    for_each_decoration(line.decorations, [&](std::string_view decoration) { add(decoration_number(decoration)); });
    index_.models_lines_.push_back({first, std::uint32_t(index_.line_decorations_.size() - first)});
}

void catalog_index_builder_c::place_on_line(const entry_fields_c& e, std::uint16_t& models_line, std::uint16_t& decoration) {
    std::uint32_t first_line = index_.first_models_line_.back();
    bool line_known = e.models_line >= 0 && std::size_t(e.models_line) < index_.models_lines_.size() - first_line;
    // The entries of a section follow each other: its decoration is looked up once.
    if (!line_known || !previous_decoration_known_ || e.decoration != previous_decoration_) {
        previous_decoration_number_ = line_known ? decoration_number(e.decoration) : 0;
        previous_decoration_known_ = line_known;
        previous_decoration_.assign(line_known ? e.decoration : std::string_view());
    }
    if (line_known) {
        auto line = std::uint32_t(first_line + std::uint32_t(e.models_line));
        if (line != previous_line_ || previous_decoration_number_ != previous_line_decoration_) {
            const catalog_index_c::models_line_c& l = index_.models_lines_[line];
            const decoration_terms_c& own = index_.decorations_[previous_decoration_number_];
            bool on_line = false, rivals = false;
            // A rival: another decoration for the same architecture (the undecorated section is
            // none to a decorated one, which always ranks above it).
            for (std::uint32_t at = l.first; at < l.first + l.count; ++at) {
                std::uint16_t other = index_.line_decorations_[at];
                const decoration_terms_c& theirs = index_.decorations_[other];
                on_line = on_line || other == previous_decoration_number_;
                rivals = rivals || (other != previous_decoration_number_ && theirs.architecture == own.architecture &&
                                    (theirs.form != decoration_form_c::none || own.form == decoration_form_c::none));
            }
            previous_line_ = line;
            previous_line_decoration_ = previous_decoration_number_;
            previous_line_field_ = !on_line ? std::uint16_t(0xFFFF)
                                            : std::uint16_t(std::uint32_t(e.models_line) | (rivals ? catalog_index_c::rivals_bit : 0u));
        }
        if (previous_line_field_ != 0xFFFF) {
            models_line = previous_line_field_;
            decoration = previous_decoration_number_;
            return;
        }
    }
    // No known line: architecture and version alone decide, as they always did.
    auto clamp16 = [](int value) { return std::uint16_t(std::clamp(value, 0, 0xFFFF)); };
    decoration_terms_c terms;
    terms.line_unknown = true;
    terms.architecture = architecture_number(e.architecture);
    terms.os_major = clamp16(e.os_major);
    terms.os_minor = clamp16(e.os_minor);
    models_line = 0;
    decoration = decoration_number(terms);
}

void catalog_index_builder_c::add_entry(const entry_fields_c& e) {
    if (index_.packages_.empty()) return;
    std::uint32_t first_inf = index_.packages_.back().first_inf;
    if (e.inf_index >= index_.infs_.size() - first_inf) return;
    std::uint16_t models_line = 0, decoration = 0;
    place_on_line(e, models_line, decoration);
    text_pool_c& texts = index_.texts_;
    // The lines of one model section mostly share description and manufacturer with the line before.
    auto same_or_interned = [&](std::string_view text, std::uint32_t previous) {
        return texts.text(previous) == text ? previous : texts.intern(text);
    };
    bool first_line = index_.entries_.empty() || index_.entries_.back().package != index_.packages_.size() - 1;
    std::uint32_t description = first_line ? texts.intern(e.description)
                                           : same_or_interned(e.description, index_.entries_.back().description);
    std::uint32_t manufacturer = first_line ? texts.intern(e.manufacturer)
                                            : same_or_interned(e.manufacturer, index_.entries_.back().manufacturer);
    auto line = std::uint32_t(index_.entries_.size());
    index_.entries_.push_back({std::uint32_t(index_.packages_.size() - 1), first_inf + e.inf_index, texts.intern(e.device_id),
                               description, manufacturer, line, decoration, models_line,
                               std::int16_t(e.feature_score < 0 ? -1 : e.feature_score & 0xFF),
                               std::uint8_t(std::clamp(e.id_position, 0, 0xFF))});
}

void catalog_index_builder_c::look_ahead(const package_fields_c& package) { index_.texts_.prefetch(package.title); }

void catalog_index_builder_c::look_ahead(const inf_view_c& inf) { index_.texts_.prefetch(inf.driver_version); }

void catalog_index_builder_c::look_ahead(const entry_fields_c& entry) {
    index_.texts_.prefetch(entry.device_id);
    index_.texts_.prefetch(entry.description);
}

catalog_index_c catalog_index_builder_c::finish() {
    catalog_index_c& index = index_;
    index.texts_.seal();
    index.packages_.shrink_to_fit();
    index.infs_.shrink_to_fit();
    index.signatures_.shrink_to_fit();
    index.entries_.shrink_to_fit();
    index.first_models_line_.shrink_to_fit();
    index.models_lines_.shrink_to_fit();
    index.line_decorations_.shrink_to_fit();

    // Entries grouped by the hash of their ID (IDs that differ only in case share it), in catalog
    // order within a group, each group one slot; twice as many slots as groups at least.
    std::size_t count = index.entries_.size();
    large_vector_c<std::pair<std::uint64_t, std::uint32_t>> keyed(count);
    for (std::size_t e = 0; e < count; ++e) keyed[e] = {device_id_hash(index.texts_.text(index.entries_[e].device_id)), std::uint32_t(e)};
    std::sort(keyed.begin(), keyed.end());
    {
        large_vector_c<catalog_index_c::entry_c> grouped(count);
        for (std::size_t e = 0; e < count; ++e) grouped[e] = index.entries_[keyed[e].second];
        index.entries_.swap(grouped);
    }
    std::size_t groups = 0;
    for (std::size_t e = 0; e < count; ++e) groups += e == 0 || keyed[e].first != keyed[e - 1].first;
    std::size_t slots = 1;
    while (slots < groups * 2) slots *= 2;
    index.id_slots_ = huge_page_array_c<catalog_index_c::id_slot_c>(count ? slots : 0);
    std::size_t mask = slots - 1;
    for (std::size_t first = 0, last; first < count; first = last) {
        for (last = first; last < count && keyed[last].first == keyed[first].first;) ++last;
        std::uint64_t hash = keyed[first].first;
        std::size_t at = hash & mask;
        while (index.id_slots_[at].count != 0) at = (at + 1) & mask;
        index.id_slots_[at] = {std::uint32_t(hash >> 32), std::uint32_t(first), std::uint32_t(last - first)};
    }

    index.by_file_name_.clear();
    index.by_file_name_.reserve(index.packages_.size());
    for (std::uint32_t p = 0; p < index.packages_.size(); ++p)
        index.by_file_name_.push_back({std::hash<std::string_view>{}(index.texts_.text(index.packages_[p].file_name)), p});
    std::sort(index.by_file_name_.begin(), index.by_file_name_.end(),
              [](const auto& a, const auto& b) { return a.hash != b.hash ? a.hash < b.hash : a.package < b.package; });
    catalog_index_c done = std::move(index_);
    *this = catalog_index_builder_c();
    return done;
}
