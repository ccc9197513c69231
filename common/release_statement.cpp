#include "common/release_statement.h"

#include "common/package_statement.h"

std::string release_statement(const release_claim_c& claim) {
    // Its first line differs from a package statement's: no signature of one can pass for the other.
    std::string out = "vantorel program release 1\n";
    append_statement_line(out, "file", condensed_text(claim.file_name));
    append_statement_line(out, "size", std::to_string(claim.size));
    append_statement_line(out, "sha256", digest_hex(claim.sha256));
    append_statement_line(out, "version", condensed_text(claim.version));
    return out;
}
