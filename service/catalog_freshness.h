// Whether an answer's catalog statement (common/catalog_statement.h) is one to believe: signed by
// the catalog owner, not expired, and not older than the newest this user has seen. The newest
// statement believed is kept in "catalog.dat" in the data folder (its serial and withdrawn
// packages), so that a mirror cannot roll the catalog back from one scan to the next, and a
// package downloaded before it was withdrawn is not installed afterwards.
#pragma once

#include "common/catalog_statement.h"
#include "common/package_signature.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum class statement_verdict_c { accepted, missing, not_signed, expired, rolled_back };

struct statement_check_c {
    statement_verdict_c verdict = statement_verdict_c::missing;
    catalog_claim_c claim;  // as the answer gave it (withdrawn ones only once accepted)
    std::uint64_t newest_seen = 0;
    std::int64_t now = 0;

    bool accepted() const { return verdict == statement_verdict_c::accepted; }
    const withdrawn_package_c* withdrawn(const sha256_digest_c& sha256) const;
};

// The withdrawal of a package of this digest in a list in digest order; null when it is not there.
const withdrawn_package_c* find_withdrawn(const std::vector<withdrawn_package_c>& withdrawn, const sha256_digest_c& sha256);

// The statement's texts as the answer's "statement" element carries them.
struct statement_texts_c {
    std::string_view serial, expires, sig;
    std::vector<std::pair<std::string_view, std::string_view>> withdrawn;  // digest and escaped reason
};

statement_check_c check_catalog_statement(const statement_texts_c& texts, const std::vector<public_key_c>& keys,
                                          std::uint64_t newest_seen, std::int64_t now);

// Why an answer was refused, in English, for the command line and the logs: names the expiry,
// the serials or the missing signature.
std::string statement_refusal_text(const statement_check_c& check);

// The newest statement believed: serial 0 and nothing withdrawn when there is none (or no file
// is named, or it cannot be read).
catalog_claim_c read_catalog_record(const std::wstring& path);
// Records the statement unless the file already holds a newer one.
bool record_catalog_statement(const std::wstring& path, const catalog_claim_c& claim);
// Why a package of this digest may not be installed: "withdrawn by the catalog owner: <reason>"
// when the record names it; empty otherwise (and for a package without a digest).
std::string withdrawn_problem(const std::wstring& record_path, const std::optional<sha256_digest_c>& sha256);
// "catalog.dat" in this data folder.
std::wstring catalog_record_path(const std::wstring& data_folder);
