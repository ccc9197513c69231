#include "service/release_answer.h"

#include "common/package_statement.h"
#include "common/release_statement.h"
#include "common/xml_nesting.h"
#include "service/package_trust.h"

#include <tinyxml.h>

#include <charconv>
#include <cstdint>

namespace {

// A release answer nests two levels; anything deeper is not one.
constexpr std::size_t most_release_nesting = 4;
// The parser may read a little past a multi-byte sequence cut short at the end: keep NULs there.
constexpr std::size_t release_padding = 8;
// Numbers in a version: at most this many, each of at most nine digits.
constexpr std::size_t most_version_parts = 6;

std::string release_field(const TiXmlElement& parent, const char* name) {
    const TiXmlElement* child = parent.FirstChildElement(name);
    const char* text = child ? child->GetText() : nullptr;
    return condensed_text(text ? text : "");
}

bool version_parts(std::string_view text, std::vector<std::uint32_t>& parts) {
    parts.clear();
    while (true) {
        const std::size_t dot = text.find('.');
        std::string_view part = text.substr(0, dot);
        std::uint32_t value = 0;
        if (part.empty() || part.size() > 9 || parts.size() == most_version_parts) return false;
        auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (error != std::errc() || end != part.data() + part.size()) return false;
        parts.push_back(value);
        if (dot == std::string_view::npos) return true;
        text.remove_prefix(dot + 1);
    }
}

bool ends_with_exe(const std::string& name) {
    if (name.size() < 5) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return tail == ".exe";
}

bool web_link(const std::string& link) { return link.rfind("http://", 0) == 0 || link.rfind("https://", 0) == 0; }

release_check_c refused(std::string reason) {
    release_check_c check;
    check.verdict = release_verdict_c::refused;
    check.reason = std::move(reason);
    return check;
}

release_check_c unreadable(std::string reason) {
    release_check_c check;
    check.reason = std::move(reason);
    return check;
}

}  // namespace

std::optional<int> compare_versions(std::string_view left, std::string_view right) {
    std::vector<std::uint32_t> a, b;
    if (!version_parts(left, a) || !version_parts(right, b)) return std::nullopt;
    for (std::size_t i = 0; i < a.size() || i < b.size(); ++i) {
        const std::uint32_t x = i < a.size() ? a[i] : 0, y = i < b.size() ? b[i] : 0;
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

release_check_c check_release_answer(std::string_view answer, const std::vector<public_key_c>& keys,
                                     std::string_view running_version) {
    if (answer.size() > release_answer_limit || !xml_nesting_within(answer, most_release_nesting))
        return unreadable("the answer is no release");
    std::string padded(answer);
    padded.append(release_padding, '\0');
    TiXmlDocument document;
    document.Parse(padded.c_str(), nullptr, TIXML_ENCODING_UTF8);
    const TiXmlElement* root = document.Error() ? nullptr : document.RootElement();
    if (!root || std::string_view(root->Value()) != "release") return unreadable("the answer is no release");

    release_offer_c offer;
    offer.version = release_field(*root, "version");
    offer.link = release_field(*root, "link");
    const std::string size_text = release_field(*root, "size");
    const std::optional<sha256_digest_c> digest = digest_from_hex(release_field(*root, "sha256"));
    const std::optional<signature_c> signature = signature_from_hex(release_field(*root, "sig"));
    if (offer.version.empty() || offer.link.empty() || size_text.empty()) return unreadable("the release lacks a field");
    auto [end, error] = std::from_chars(size_text.data(), size_text.data() + size_text.size(), offer.size);
    if (error != std::errc() || end != size_text.data() + size_text.size()) return unreadable("the release's size is no number");
    if (!digest) return refused("the release has no SHA-256 digest");
    if (!signature) return refused("the release is not signed");
    offer.sha256 = *digest;
    offer.file_name = link_file_name(offer.link);

    release_claim_c claim{offer.file_name, offer.size, offer.sha256, offer.version};
    if (!signed_by_any(release_statement(claim), *signature, keys)) return refused("the release's signature is not the publisher's");
    // Signed, and still not something to download and run.
    if (!web_link(offer.link)) return refused("the release's link is not http or https");
    if (!ends_with_exe(offer.file_name)) return refused("the release is no Windows program");
    if (offer.size == 0 || offer.size > UINT32_MAX) return refused("the release's size is out of range");
    const std::optional<int> order = compare_versions(offer.version, running_version);
    if (!order) return refused("the release's version is not a version number");

    release_check_c check;
    check.verdict = *order > 0 ? release_verdict_c::newer : release_verdict_c::up_to_date;
    check.offer = std::move(offer);
    return check;
}
