// The catalog in memory, indexed for answering scan requests. Compact, since the largest
// catalogs name millions of device IDs: every text is stored once (text_pool_c), records hold
// numbers, and device IDs are found through a table keyed by the hash of the upper-cased ID
// (Windows compares IDs without regard to case).
#pragma once

#include "common/package_signature.h"
#include "common/sha256.h"
#include "server/catalog/catalog.h"
#include "server/http/client_target.h"
#include "server/inf/models_section_choice.h"
#include "server/scan/scan_request_reader.h"
#include "server/http/huge_page_allocator.h"
#include "server/http/huge_page_array.h"
#include "server/catalog/text_pool.h"

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

// What a scan answer shows of a package, an INF file and a model line.
struct package_view_c {
    std::string_view file_name, title, official_link, md5;
    std::uint64_t size = 0;
    int sign = signature_none;
    bool testing = false;
};
struct inf_view_c {
    std::string_view inf_path, provider, class_guid, driver_date, driver_version;
};
struct entry_view_c {
    std::string_view device_id, architecture, description, manufacturer;
    int id_position = 0, os_major = 0, os_minor = 0, feature_score = -1;
    int target_os() const { return os_major == 0 ? 51 : os_major * 10 + os_minor; }
};

// The catalog owner's signature of an INF file's statement, with the archive digest it covers.
struct item_signature_c {
    sha256_digest_c sha256;
    signature_c signature;
};

// One package offered to one device, through its best-matching entry.
struct driver_offer_c {
    std::uint32_t entry = 0;  // the catalog's entry number
    std::uint32_t cp = 0;     // match rank: lower is a closer match
};

// Everything a scan answer's item shows of an offer, texts with whether they are plain.
struct offered_item_c {
    pooled_text_c device_id, title, driver_version, class_guid, file_name, inf_path, official_link, manufacturer,
        driver_date, description;
    std::uint64_t size = 0;
    int sign = signature_none, feature_score = -1, target_os = 51;
    bool testing = false;  // the package is in the testing channel
    const item_signature_c* signature = nullptr;  // null when the package is not signed
};

// Catalog lines weighed (read and judged, whether offered or not) for one request at most, and
// for one device: generic IDs (a class code) may be named by thousands of packages, and a small
// compressed request can name thousands of devices.
struct match_budget_c {
    static constexpr std::size_t per_device = 4096;
    static constexpr std::size_t per_request = 1u << 16;
    std::size_t left = per_request;
};

class catalog_index_c {
public:
    catalog_index_c() = default;
    explicit catalog_index_c(const std::vector<catalog_package_c>& packages);
    catalog_index_c(std::initializer_list<catalog_package_c> packages)
        : catalog_index_c(std::vector<catalog_package_c>(packages)) {}

    // The packages for one device, closest match first, at most `most` of them. An entry is
    // offered only from the models section Windows would use on the target among those of its
    // [Manufacturer] line (models_section_choice.h); an entry whose line the catalog does not
    // know needs the target's architecture and an OS version no later than the target's. Each
    // entry weighed is taken from the budget; with none left nothing more is weighed.
    std::vector<driver_offer_c> offers_for(const requested_device_c& device, const client_target_c& target,
                                           std::size_t most, match_budget_c& budget) const;
    std::vector<driver_offer_c> offers_for(const requested_device_c& device, const client_target_c& target,
                                           std::size_t most) const;

    package_view_c package(const driver_offer_c& offer) const;
    inf_view_c inf(const driver_offer_c& offer) const;
    entry_view_c entry(const driver_offer_c& offer) const;
    offered_item_c item(const driver_offer_c& offer) const;
    // Whether the offer's package is in the testing channel, and whether any package is.
    bool in_testing(const driver_offer_c& offer) const { return packages_[entries_[offer.entry].package].testing != 0; }
    bool any_testing() const { return any_testing_; }
    // Whether the package of that archive digest (lower-case hex) is in the testing channel.
    bool testing_package(const std::string& sha256) const { return testing_digests_.count(sha256) > 0; }
    // Asks memory for what item() reads, in two steps a little ahead of it: first the package's
    // and INF file's records, then (once those have come) their texts.
    void prefetch_records(const driver_offer_c& offer) const;
    void prefetch_texts(const driver_offer_c& offer) const;

    // The package's number, or false when the catalog has no package of that file name.
    bool find_package(std::string_view file_name, std::uint32_t& number) const;
    std::size_t package_count() const { return packages_.size(); }
    std::size_t entry_count() const { return entries_.size(); }
    std::size_t memory_bytes() const;

    // The catalog owner's signed statement as every answer carries it (a "statement" element);
    // empty for a catalog never signed as a whole.
    const std::string& statement_element() const { return statement_element_; }
    std::uint64_t statement_serial() const { return statement_serial_; }  // 0: none
    std::int64_t statement_expires() const { return statement_expires_; }  // seconds since 1970 (UTC)
    void set_statement(std::string element, std::uint64_t serial, std::int64_t expires) {
        statement_element_ = std::move(element);
        statement_serial_ = serial;
        statement_expires_ = expires;
    }

private:
    friend class catalog_index_builder_c;
    struct package_c {
        std::uint64_t size;
        std::uint32_t file_name, title, official_link, md5;
        std::uint32_t first_inf;
        std::int16_t sign;
        std::uint8_t testing;  // 1: in the testing channel
    };
    struct inf_c {
        std::uint32_t inf_path, provider, class_guid, driver_date, driver_version;
        std::uint32_t signature;  // into signatures_; unsigned_inf when it has none
    };
    static constexpr std::uint32_t unsigned_inf = ~0u;
    struct entry_c {
        std::uint32_t package, inf;  // numbers in the catalog
        std::uint32_t device_id, description, manufacturer;
        std::uint32_t line;          // the entry's place in the catalog as read
        std::uint16_t decoration;    // into decorations_
        std::uint16_t models_line;   // its package's line number, with rivals_bit; 0 when not known
        std::int16_t feature_score;
        std::uint8_t id_position;    // saturated at 255, as match ranks are
    };
    // Millions of them: a catalog of 6.6 million IDs holds this many times 32 bytes.
    static_assert(sizeof(entry_c) == 32, "entries stay 32 bytes");
    // Set when the entry's [Manufacturer] line names another decoration for the same
    // architecture: only then must the line's decorations be weighed against each other.
    static constexpr std::uint16_t rivals_bit = 0x8000;
    static constexpr std::uint16_t line_number_mask = 0x7FFF;
    // Decorations of one [Manufacturer] line: line_decorations_[first, first + count).
    struct models_line_c {
        std::uint32_t first, count;
    };
    struct id_slot_c {
        std::uint32_t check;  // the key hash's high half
        std::uint32_t first;  // into entries_
        std::uint32_t count;  // entries of this ID; 0 when the slot is free
    };
    struct name_slot_c {
        std::uint64_t hash;
        std::uint32_t package;
    };

    // Whether the entry's section is the one its line's decorations choose for the client.
    bool chosen_on_its_line(const entry_c& entry, const client_terms_c& client) const;

    text_pool_c texts_;
    std::vector<std::string> architectures_;
    std::vector<decoration_terms_c> decorations_;  // each distinct one once
    large_vector_c<std::uint32_t> first_models_line_;  // per package, into models_lines_
    large_vector_c<models_line_c> models_lines_;
    large_vector_c<std::uint16_t> line_decorations_;  // into decorations_
    large_vector_c<package_c> packages_;
    large_vector_c<inf_c> infs_;
    large_vector_c<item_signature_c> signatures_;  // of the signed INF files only
    // Entries grouped by device ID once the catalog is read (in catalog order within an ID), so
    // that an ID's entries lie side by side.
    large_vector_c<entry_c> entries_;
    // Device IDs, each once, open addressing: at most half the slots are taken, so a look-up
    // mostly reads one cache line whatever the number of entries of an ID (a class code may be
    // named by thousands). An ID's entries are entries_[first, first + count).
    huge_page_array_c<id_slot_c> id_slots_;
    large_vector_c<name_slot_c> by_file_name_;  // sorted by hash
    bool any_testing_ = false;
    std::set<std::string> testing_digests_;  // few: the testing channel's packages
    std::string statement_element_;
    std::uint64_t statement_serial_ = 0;
    std::int64_t statement_expires_ = 0;
};

// Fields of the records a catalog is built from; the texts are copied into the catalog.
struct package_fields_c {
    std::string_view file_name, title, official_link, md5;
    std::uint64_t size = 0;
    int sign = signature_none;
    std::string_view sha256;     // hex; empty when not known
    bool testing = false;        // imported into the testing channel
};
struct inf_fields_c : inf_view_c {
    std::string_view signature;  // hex; empty when unsigned
};
struct models_line_fields_c {
    std::uint32_t inf_index = 0;  // into the package's INF files
    std::string_view decorations; // as catalog_models_line_c keeps them
};
struct entry_fields_c {
    std::uint32_t inf_index = 0;  // into the package's INF files
    std::string_view device_id, architecture, description, manufacturer;
    int id_position = 0, os_major = 0, os_minor = 0, feature_score = -1;
    std::string_view decoration;  // with models_line: what decides the entry's architecture and version
    int models_line = -1;         // into the package's lines; -1 when not known
};

// Where a catalog's records go as they are read: a package, then its INF files, its
// [Manufacturer] lines, then its entries.
class catalog_record_sink_c {
public:
    virtual ~catalog_record_sink_c() = default;
    // How many records are to come, about: room is made for them at once.
    virtual void expect(std::size_t packages, std::size_t entries) = 0;
    virtual void add_package(const package_fields_c& package) = 0;
    virtual void add_inf(const inf_fields_c& inf) = 0;
    virtual void add_models_line(const models_line_fields_c& line) = 0;
    virtual void add_entry(const entry_fields_c& entry) = 0;
    // A record a few places ahead of the one being added, for a sink that asks memory early.
    virtual void look_ahead(const package_fields_c&) {}
    virtual void look_ahead(const inf_view_c&) {}
    virtual void look_ahead(const entry_fields_c&) {}
};

// Builds a catalog record by record.
class catalog_index_builder_c final : public catalog_record_sink_c {
public:
    void expect(std::size_t packages, std::size_t entries) override;
    void add_package(const package_fields_c& package) override;
    // An INF file is signed when it carries a signature and its package a digest, both well-formed.
    void add_inf(const inf_fields_c& inf) override;
    // A package's lines past the 32767th are not kept: their entries count as of no known line.
    void add_models_line(const models_line_fields_c& line) override;
    // An entry that names an INF file its package does not have, or comes before any package,
    // is left out. One that names a line its package does not have, or whose decoration is not
    // on its line, counts as of no known line.
    void add_entry(const entry_fields_c& entry) override;
    // The texts most likely new to the table: their slots are asked for ahead.
    void look_ahead(const package_fields_c& package) override;
    void look_ahead(const inf_view_c& inf) override;
    void look_ahead(const entry_fields_c& entry) override;
    catalog_index_c finish();

private:
    std::uint8_t architecture_number(std::string_view name);
    std::uint16_t decoration_number(const decoration_terms_c& terms);
    std::uint16_t decoration_number(std::string_view decoration);
    // The entry's decoration and line as the index keeps them: its models_line field and decoration.
    void place_on_line(const entry_fields_c& entry, std::uint16_t& models_line, std::uint16_t& decoration);

    catalog_index_c index_;
    std::string previous_architecture_;
    std::uint8_t previous_architecture_number_ = 0;
    std::map<std::tuple<int, bool, int, int, int, std::uint32_t, std::uint32_t, std::uint32_t>, std::uint16_t> decoration_numbers_;
    // The last entry's decoration text and what it gave: the entries of a section follow each other.
    std::string previous_decoration_;
    std::uint16_t previous_decoration_number_ = 0;
    bool previous_decoration_known_ = false;
    std::uint32_t previous_line_ = ~0u;
    std::optional<sha256_digest_c> package_sha256_;  // the last package's
    std::uint16_t previous_line_field_ = 0, previous_line_decoration_ = 0;
};

// The rank of a match in the manner of Windows' driver ranking: the device's hardware IDs before
// its compatible IDs, the INF's hardware ID before the compatible IDs of its model line, and
// earlier IDs of either list before later ones.
std::uint32_t match_rank(bool device_compatible, std::size_t device_position, int inf_id_position);

// The hash a catalog keys device IDs by: the same for IDs that differ only in the case of a-z.
std::uint64_t device_id_hash(std::string_view device_id);
