// What the catalog owner signs for the catalog as a whole, and every answer carries: a serial
// that only grows, the moment after which the statement is stale, and the digests of packages
// withdrawn from it (with the reason told to users). A client refuses an answer whose statement
// has expired or is older than the newest it has seen, so that a mirror can neither replay old
// offers nor hold back new ones for ever, and never offers or installs a withdrawn package.
#pragma once

#include "common/sha256.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct withdrawn_package_c {
    sha256_digest_c sha256{};
    std::string reason;  // UTF-8, condensed (no line breaks)
};

struct catalog_claim_c {
    std::uint64_t serial = 0;
    std::int64_t expires = 0;                  // seconds since 1970 (UTC)
    std::vector<withdrawn_package_c> withdrawn;  // in the order of their digests
};

// The exact bytes that are signed.
std::string catalog_statement(const catalog_claim_c& claim);

// A moment as the statement and the answer write it: "2027-01-09T20:13:00Z"; and back (nothing
// for any other form, or a moment before 1970).
std::string utc_moment_text(std::int64_t seconds);
std::optional<std::int64_t> utc_moment_from_text(std::string_view text);

// A reason as the answer carries it: UTF-8 with every byte outside printable ASCII, and "%",
// "<", ">", "&", quotes, written as %XX, so that it reads the same in every code page an answer
// is written in; and back.
std::string escaped_reason(std::string_view utf8);
std::string reason_from_escaped(std::string_view escaped);
