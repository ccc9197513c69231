// The catalog owner signs the catalog as a whole (common/catalog_statement.h) whenever the key is
// at hand: each sign, signed import and withdrawal writes a new statement with a higher serial
// and a fresh expiry. The update server serves the statement it finds; it never signs one.
#pragma once

#include "common/catalog_statement.h"
#include "server/catalog/catalog_store.h"
#include "server/catalog/package_signing.h"

#include <ctime>
#include <optional>
#include <string>
#include <vector>

struct statement_terms_c {
    unsigned valid_days = 30;             // from now until the statement expires
    std::vector<catalog_withdrawal_c> withdraw;  // packages to add to the withdrawn ones
    std::time_t now = std::time(nullptr);
};

// Signs a new statement over what the catalog says: its serial one past the last one, and never
// less than the current time in seconds, so that a catalog made afresh (a demo, a rebuilt
// database) still follows every statement signed before it; the withdrawn packages of the last
// statement, with those asked for (a digest named again takes the new reason). False with an
// error when the store cannot be read or written.
bool sign_catalog_statement(catalog_store_c& store, const signing_key_c& key, const statement_terms_c& terms,
                            catalog_statement_c& signed_statement, std::string& error);

// The statement as the owner's key signed it; what a client rebuilds from an answer.
catalog_claim_c statement_claim(const catalog_statement_c& statement);
