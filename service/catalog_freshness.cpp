#include "service/catalog_freshness.h"

#include "common/argument_reader.h"
#include "common/file_open.h"
#include "common/package_statement.h"
#include "common/path_join.h"
#include "common/text_lines.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace {

std::optional<std::uint64_t> serial_from_text(std::string_view text) { return parse_whole_number(text, 0, UINT64_MAX); }

}  // namespace

const withdrawn_package_c* find_withdrawn(const std::vector<withdrawn_package_c>& withdrawn, const sha256_digest_c& sha256) {
    auto found = std::lower_bound(withdrawn.begin(), withdrawn.end(), sha256,
                                  [](const withdrawn_package_c& package, const sha256_digest_c& digest) { return package.sha256 < digest; });
    return found != withdrawn.end() && found->sha256 == sha256 ? &*found : nullptr;
}

const withdrawn_package_c* statement_check_c::withdrawn(const sha256_digest_c& sha256) const {
    return find_withdrawn(claim.withdrawn, sha256);
}

statement_check_c check_catalog_statement(const statement_texts_c& texts, const std::vector<public_key_c>& keys,
                                          std::uint64_t newest_seen, std::int64_t now) {
    statement_check_c check;
    check.newest_seen = newest_seen;
    check.now = now;
    check.verdict = statement_verdict_c::not_signed;
    const std::optional<std::uint64_t> serial = serial_from_text(condensed_text(texts.serial));
    const std::optional<std::int64_t> expires = utc_moment_from_text(condensed_text(texts.expires));
    const std::optional<signature_c> signature = signature_from_hex(texts.sig);
    if (!serial || !expires || !signature) return check;
    check.claim.serial = *serial;
    check.claim.expires = *expires;
    for (const auto& [digest_text, reason] : texts.withdrawn) {
        const std::optional<sha256_digest_c> digest = digest_from_hex(condensed_text(digest_text));
        if (!digest) return check;
        check.claim.withdrawn.push_back({*digest, condensed_text(reason_from_escaped(reason))});
    }
    if (!signed_by_any(catalog_statement(check.claim), *signature, keys)) {
        check.claim.withdrawn.clear();
        return check;
    }
    // Signed: kept in digest order for the look-up, whatever order the answer gave.
    std::sort(check.claim.withdrawn.begin(), check.claim.withdrawn.end(),
              [](const withdrawn_package_c& a, const withdrawn_package_c& b) { return a.sha256 < b.sha256; });
    if (check.claim.expires <= now) check.verdict = statement_verdict_c::expired;
    else if (check.claim.serial < newest_seen) check.verdict = statement_verdict_c::rolled_back;
    else check.verdict = statement_verdict_c::accepted;
    return check;
}

std::string statement_refusal_text(const statement_check_c& check) {
    switch (check.verdict) {
    case statement_verdict_c::missing:
        return "the answer carries no signed catalog statement";
    case statement_verdict_c::not_signed:
        return "the answer's catalog statement is not signed by the catalog owner";
    case statement_verdict_c::expired:
        return "the server's catalog expired on " + utc_moment_text(check.claim.expires) + " (this PC's clock says " +
               utc_moment_text(check.now) + ")";
    case statement_verdict_c::rolled_back:
        return "the server's catalog (statement " + std::to_string(check.claim.serial) +
               ") is older than one this PC has already seen (statement " + std::to_string(check.newest_seen) + ")";
    case statement_verdict_c::accepted:
        break;
    }
    return {};
}

std::wstring catalog_record_path(const std::wstring& data_folder) { return join_path(data_folder, L"catalog.dat"); }

catalog_claim_c read_catalog_record(const std::wstring& path) {
    catalog_claim_c record;
    std::FILE* file = path.empty() ? nullptr : open_file(path, "rb");
    if (!file) return record;
    std::string line;
    while (read_text_line(file, line)) {
        std::string_view rest(line);
        if (rest.compare(0, 7, "serial ") == 0) {
            record.serial = serial_from_text(condensed_text(rest.substr(7))).value_or(0);
        } else if (rest.compare(0, 10, "withdrawn ") == 0 && rest.size() >= 74) {
            if (auto digest = digest_from_hex(rest.substr(10, 64)))
                record.withdrawn.push_back({*digest, condensed_text(rest.substr(74))});
        }
    }
    std::fclose(file);
    std::sort(record.withdrawn.begin(), record.withdrawn.end(),
              [](const withdrawn_package_c& a, const withdrawn_package_c& b) { return a.sha256 < b.sha256; });
    return record;
}

bool record_catalog_statement(const std::wstring& path, const catalog_claim_c& claim) {
    if (path.empty() || claim.serial < read_catalog_record(path).serial) return true;
    std::string text = "serial " + std::to_string(claim.serial) + "\n";
    for (const withdrawn_package_c& package : claim.withdrawn)
        text += "withdrawn " + digest_hex(package.sha256) + " " + condensed_text(package.reason) + "\n";
    return write_file_atomically(path, text);
}

std::string withdrawn_problem(const std::wstring& record_path, const std::optional<sha256_digest_c>& sha256) {
    if (!sha256) return {};
    const catalog_claim_c record = read_catalog_record(record_path);
    const withdrawn_package_c* withdrawn = find_withdrawn(record.withdrawn, *sha256);
    return withdrawn ? "withdrawn by the catalog owner: " + withdrawn->reason : std::string();
}
