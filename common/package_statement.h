// What the catalog owner signs for each offered driver of a package: the archive's name, size and
// SHA-256, and the INF path, version and date the client shows and installs. The update server
// sends the digest and the signature with every item; the client builds the same statement from
// the item as it arrived and checks the signature before it offers anything.
#pragma once

#include "common/sha256.h"

#include <cstdint>
#include <string>
#include <string_view>

struct package_claim_c {
    std::string file_name;  // the archive's name: the last component of its link, unescaped
    std::uint64_t size = 0;
    sha256_digest_c sha256{};
    std::string inf_path;   // inside the package, "/" separators, UTF-8
    std::string version;
    std::string date;       // YYYY-MM-DD
};

// The exact bytes that are signed. Texts are taken as an XML reader delivers them: white space
// around them dropped and inner runs of it made one space, so no field can hold a line break and
// the statement reads the same on both sides of the answer.
std::string package_statement(const package_claim_c& claim);

// A text as the answer's reader gives it back (see above).
std::string condensed_text(std::string_view text);
// Appends one "name value" line of a signed statement.
void append_statement_line(std::string& out, std::string_view name, std::string_view value);
