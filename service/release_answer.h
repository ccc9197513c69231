// The update server's answer about the newest release of the program (GET /release), and what
// the updater makes of it: the release is believed only when one of the trusted keys signed its
// statement (common/release_statement.h), and it is offered only when its version is newer than
// the running one.
//
//   <release><version>1.2.0</version><link>http://host/packages/Vantorel-Setup-1.2.0.exe</link>
//   <size>123</size><sha256>64 hex digits</sha256><sig>128 hex digits</sig></release>
#pragma once

#include "common/package_signature.h"
#include "common/sha256.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The largest answer read; a real one is a few hundred bytes.
constexpr std::size_t release_answer_limit = 64 * 1024;

struct release_offer_c {
    std::string version;
    std::string link;       // as the answer gave it
    std::string file_name;  // the link's last component, unescaped: what the signature covers
    std::uint64_t size = 0;
    sha256_digest_c sha256{};
};

enum class release_verdict_c {
    up_to_date,  // signed, and not newer than the running version
    newer,       // signed, and newer
    refused,     // read, but not signed by a trusted key, or not a release the updater may run
    unreadable,  // not a release answer at all
};

struct release_check_c {
    release_verdict_c verdict = release_verdict_c::unreadable;
    std::string reason;     // for refused and unreadable: a short English text for logs and --check
    release_offer_c offer;  // filled for up_to_date and newer
};

// Dotted decimal versions ("1.2", "1.10.3"), compared number by number with missing numbers as 0:
// negative, zero or positive; none when either is not such a version.
std::optional<int> compare_versions(std::string_view left, std::string_view right);

release_check_c check_release_answer(std::string_view answer, const std::vector<public_key_c>& keys,
                                     std::string_view running_version);
