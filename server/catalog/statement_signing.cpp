#include "server/catalog/statement_signing.h"

#include "common/catalog_statement.h"
#include "common/package_statement.h"

#include <algorithm>

catalog_claim_c statement_claim(const catalog_statement_c& statement) {
    catalog_claim_c claim;
    claim.serial = statement.serial;
    claim.expires = statement.expires;
    for (const catalog_withdrawal_c& package : statement.withdrawn) {
        withdrawn_package_c& named = claim.withdrawn.emplace_back();
        if (auto digest = digest_from_hex(package.sha256)) named.sha256 = *digest;
        named.reason = package.reason;
    }
    return claim;
}

bool sign_catalog_statement(catalog_store_c& store, const signing_key_c& key, const statement_terms_c& terms,
                            catalog_statement_c& signed_statement, std::string& error) {
    std::optional<catalog_statement_c> last;
    if (!store.load_statement(last, error)) return false;
    catalog_statement_c next;
    const std::uint64_t now = terms.now > 0 ? std::uint64_t(terms.now) : 0;
    next.serial = std::max(last ? last->serial + 1 : 1, now);
    next.expires = std::int64_t(now) + std::int64_t(terms.valid_days) * 86400;
    if (last) next.withdrawn = std::move(last->withdrawn);
    for (const catalog_withdrawal_c& asked : terms.withdraw) {
        catalog_withdrawal_c added{asked.sha256, condensed_text(asked.reason)};
        auto same = std::find_if(next.withdrawn.begin(), next.withdrawn.end(),
                                 [&](const catalog_withdrawal_c& known) { return known.sha256 == added.sha256; });
        if (same != next.withdrawn.end()) *same = std::move(added);
        else next.withdrawn.push_back(std::move(added));
    }
    std::sort(next.withdrawn.begin(), next.withdrawn.end(),
              [](const catalog_withdrawal_c& a, const catalog_withdrawal_c& b) { return a.sha256 < b.sha256; });
    next.signature = signature_hex(key.sign(catalog_statement(statement_claim(next))));
    if (!store.record_statement(next, error)) return false;
    signed_statement = std::move(next);
    return true;
}
