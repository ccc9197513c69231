#include "service/package_trust.h"

#include "common/hex_text.h"
#include "common/package_statement.h"
#include "common/text_convert.h"

#include <charconv>

namespace {

// The path inside the package: what follows the first separator, with "/" separators, in UTF-8.
// A text of the answer in UTF-8.
std::string as_utf8(std::string_view text, bool utf8) { return utf8 ? std::string(text) : wide_to_utf8(ansi_to_wide(text)); }

std::string inner_inf_path(std::string_view written, bool answer_utf8) {
    std::string utf8 = as_utf8(written, answer_utf8);
    const std::size_t first = utf8.find_first_of("/\\");
    if (first == std::string::npos) return {};
    std::string inner = utf8.substr(first + 1);
    for (char& c : inner)
        if (c == '\\') c = '/';
    return inner;
}

std::optional<std::uint64_t> decimal(std::string_view text) {
    const std::string condensed = condensed_text(text);
    std::uint64_t value = 0;
    const char* end = condensed.data() + condensed.size();
    auto [at, error] = std::from_chars(condensed.data(), end, value);
    if (error != std::errc() || at != end || condensed.empty()) return std::nullopt;
    return value;
}

}  // namespace

const std::vector<public_key_c>& built_in_keys() {
    static const std::vector<public_key_c> keys = {
#include "trusted_keys.inc"
    };
    return keys;
}

package_trust_c built_in_trust(bool allow_unsigned) { return package_trust_c{built_in_keys(), allow_unsigned}; }

std::string link_file_name(std::string_view link) {
    link = link.substr(0, link.find_first_of("?#"));
    const std::size_t slash = link.find_last_of('/');
    return percent_decoded(slash == std::string_view::npos ? link : link.substr(slash + 1));
}

item_check_c check_offered_item(const offered_texts_c& texts, const package_trust_c& trust) {
    item_check_c check;
    if (condensed_text(texts.sig).empty() && condensed_text(texts.sha256).empty()) {
        if (trust.allow_unsigned) check.verdict = item_verdict_c::unsigned_allowed;
        return check;
    }
    const std::optional<sha256_digest_c> digest = digest_from_hex(condensed_text(texts.sha256));
    const std::optional<signature_c> signature = signature_from_hex(texts.sig);
    const std::optional<std::uint64_t> size = decimal(texts.size);
    if (!digest || !signature || !size) return check;
    package_claim_c claim;
    claim.file_name = link_file_name(condensed_text(texts.link));
    claim.size = *size;
    claim.sha256 = *digest;
    claim.inf_path = inner_inf_path(texts.inf_path, texts.utf8);
    claim.version = as_utf8(texts.version, texts.utf8);
    claim.date = as_utf8(texts.date, texts.utf8);
    if (!signed_by_any(package_statement(claim), *signature, trust.keys)) return check;
    check.verdict = item_verdict_c::signed_by_owner;
    check.sha256 = digest;
    return check;
}
