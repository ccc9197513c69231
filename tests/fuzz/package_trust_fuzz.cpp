// The signature check of an offered item: its texts (link, size, INF path, version, date,
// digest, signature) come from the mirror as they are. Lines of the input are those texts. The
// check must never fault, and must accept exactly the offers a key of its own signed: the input
// is checked as it is (a forged or damaged signature must fail), then signed with the test key
// through the statement it describes (the same texts must then pass).
#include "common/package_signature.h"
#include "common/package_statement.h"
#include "service/package_trust.h"

#include <sodium.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct test_key_c {
    public_key_c public_key{};
    unsigned char secret[crypto_sign_SECRETKEYBYTES] = {};
    test_key_c() {
        unsigned char seed[crypto_sign_SEEDBYTES] = {7};
        if (!signatures_available()) std::abort();
        crypto_sign_seed_keypair(public_key.data(), secret, seed);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const test_key_c key;
    std::vector<std::string_view> lines;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (lines.size() < 7) {
        const std::size_t end = rest.find('\n');
        lines.push_back(rest.substr(0, end));
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    lines.resize(7);
    offered_texts_c texts{lines[0], lines[1], lines[2], lines[3], lines[4], lines[5], lines[6]};
    const package_trust_c trust{{key.public_key}, false};
    const item_check_c forged = check_offered_item(texts, trust);
    if (forged.verdict == item_verdict_c::unsigned_allowed) std::abort();

    // Whatever the texts, once the owner signs what they claim, they pass; one changed version
    // fails.
    const std::optional<sha256_digest_c> digest = digest_from_hex(condensed_text(texts.sha256));
    char* end = nullptr;
    const std::string size_text = condensed_text(texts.size);
    const unsigned long long claimed_size = std::strtoull(size_text.c_str(), &end, 10);
    if (!digest || size_text.empty() || *end != '\0' || size_text.find_first_not_of("0123456789") != std::string::npos ||
        size_text.size() > 19)
        return 0;
    std::string inner = std::string(texts.inf_path);
    const std::size_t first = inner.find_first_of("/\\");
    if (first == std::string::npos) return 0;
    // Bytes beyond ASCII go through the code page, and no XML text holds a NUL; the signed side
    // here writes plain ASCII only.
    for (std::string_view text : {texts.inf_path, texts.version, texts.date, texts.link})
        for (char c : text)
            if (static_cast<unsigned char>(c) >= 0x80 || c == '\0') return 0;
    inner = inner.substr(first + 1);
    for (char& c : inner)
        if (c == '\\') c = '/';
    const std::string statement = package_statement({link_file_name(condensed_text(texts.link)), claimed_size, *digest,
                                                     inner, std::string(texts.version), std::string(texts.date)});
    signature_c signature;
    crypto_sign_detached(signature.data(), nullptr, reinterpret_cast<const unsigned char*>(statement.data()),
                         statement.size(), key.secret);
    const std::string signature_text = signature_hex(signature);
    texts.sig = signature_text;
    const item_check_c owned = check_offered_item(texts, trust);
    if (owned.verdict != item_verdict_c::signed_by_owner || owned.sha256 != digest) std::abort();
    const std::string other_version = std::string(texts.version) + ".1";
    texts.version = other_version;
    if (check_offered_item(texts, trust).verdict != item_verdict_c::refused) std::abort();
    return 0;
}
