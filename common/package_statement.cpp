#include "common/package_statement.h"

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

void append_statement_line(std::string& out, std::string_view name, std::string_view value) {
    out.append(name);
    out += ' ';
    out.append(value);
    out += '\n';
}

std::string condensed_text(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool pending_blank = false;
    for (char c : text) {
        if (blank(c)) {
            pending_blank = !out.empty();
            continue;
        }
        if (pending_blank) out += ' ';
        pending_blank = false;
        out += c;
    }
    return out;
}

std::string package_statement(const package_claim_c& claim) {
    std::string out = "vantorel driver package 1\n";
    append_statement_line(out, "file", condensed_text(claim.file_name));
    append_statement_line(out, "size", std::to_string(claim.size));
    append_statement_line(out, "sha256", digest_hex(claim.sha256));
    append_statement_line(out, "inf", condensed_text(claim.inf_path));
    append_statement_line(out, "version", condensed_text(claim.version));
    append_statement_line(out, "date", condensed_text(claim.date));
    return out;
}
