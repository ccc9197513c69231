// Which offered items the program believes: those whose statement (common/package_statement.h)
// one of the compiled-in public keys signed. Items of a private mirror that signs nothing are
// taken only when the user's settings allow unsigned packages; a bad signature is never taken.
#pragma once

#include "common/package_signature.h"
#include "common/sha256.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

struct package_trust_c {
    std::vector<public_key_c> keys;
    bool allow_unsigned = false;
};

// The keys this build was made with.
const std::vector<public_key_c>& built_in_keys();
package_trust_c built_in_trust(bool allow_unsigned);

// An item's texts as the answer gave them (UTF-8 or the thread's ANSI code page, as the answer
// declares; the link as bytes).
struct offered_texts_c {
    std::string_view link;
    std::string_view size;
    std::string_view inf_path;  // as the answer writes it: the package's folder, then the path inside
    std::string_view version;
    std::string_view date;
    std::string_view sha256;
    std::string_view sig;
    bool utf8 = false;
};

enum class item_verdict_c { signed_by_owner, unsigned_allowed, refused };

struct item_check_c {
    item_verdict_c verdict = item_verdict_c::refused;
    std::optional<sha256_digest_c> sha256;  // set for a signed item: what its bytes must hash to
};

item_check_c check_offered_item(const offered_texts_c& texts, const package_trust_c& trust);

// The archive name a link names: its last path component without query or fragment, with
// percent escapes decoded.
std::string link_file_name(std::string_view link);
