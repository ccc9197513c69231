// What the catalog owner signs for a release of the program: the installer's name, size and
// SHA-256, and the version it installs. The update server sends the digest and the signature with
// the release; the updater builds the same statement from the answer as it arrived and checks the
// signature before it downloads or runs anything. The link is not signed (every mirror has its
// own), its file name is.
#pragma once

#include "common/sha256.h"

#include <cstdint>
#include <string>

struct release_claim_c {
    std::string file_name;  // the installer's name: the last component of its link, unescaped
    std::uint64_t size = 0;
    sha256_digest_c sha256{};
    std::string version;    // dotted numbers, "1.2.0"
};

// The exact bytes that are signed; texts condensed as for package statements
// (common/package_statement.h), so that no field can hold a line break.
std::string release_statement(const release_claim_c& claim);
