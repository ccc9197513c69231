#include "server/reports/install_report.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>

namespace {

using json = nlohmann::json;

bool lower_hex(const std::string& text, std::size_t digits) {
    return text.size() == digits &&
           std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// Printable ASCII only: the texts are IDs, paths, versions and names of Windows' own.
bool plain_text(const std::string& text, std::size_t most) {
    return text.size() <= most &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

bool iso_date(const std::string& text) {
    if (text.empty()) return true;
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    for (std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u})
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

// The string field's value, or false with the problem.
bool text_field(const json& object, const char* name, std::string& out, std::string& problem, bool required = true) {
    const auto found = object.find(name);
    if (found == object.end()) {
        if (required) problem = std::string("missing field ") + name;
        return !required;
    }
    if (!found->is_string()) {
        problem = std::string("field ") + name + " is not a string";
        return false;
    }
    out = found->get<std::string>();
    return true;
}

bool number_field(const json& object, const char* name, std::optional<std::uint32_t>& out, std::string& problem) {
    const auto found = object.find(name);
    if (found == object.end()) return true;
    if (!found->is_number_unsigned() || found->get<std::uint64_t>() > 0xFFFFFFFFu) {
        problem = std::string("field ") + name + " is not a 32-bit unsigned number";
        return false;
    }
    out = std::uint32_t(found->get<std::uint64_t>());
    return true;
}

bool known_fields(const json& object, std::initializer_list<const char*> names, std::string& problem) {
    for (const auto& item : object.items())
        if (std::none_of(names.begin(), names.end(), [&](const char* name) { return item.key() == name; })) {
            problem = "unknown field " + item.key().substr(0, 64);
            return false;
        }
    return true;
}

}  // namespace

const char* outcome_name(report_outcome_c outcome) {
    switch (outcome) {
        case report_outcome_c::installed: return "installed";
        case report_outcome_c::staged: return "staged";
        case report_outcome_c::not_better: return "not_better";
        case report_outcome_c::failed: return "failed";
        case report_outcome_c::restart_needed: return "restart_needed";
        case report_outcome_c::rolled_back: return "rolled_back";
    }
    return "failed";
}

bool read_install_report(std::string_view text, install_report_c& report, std::string& problem) {
    report = install_report_c{};
    if (text.size() > report_body_bytes) {
        problem = "report too large";
        return false;
    }
    const json document = json::parse(text.begin(), text.end(), nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        problem = "not a JSON object";
        return false;
    }
    if (!known_fields(document, {"report_id", "package_sha256", "inf_path", "hardware_id", "replaced", "outcome",
                                 "exit_code", "problem_code", "os", "build", "machine"},
                      problem))
        return false;
    std::string outcome;
    if (!text_field(document, "report_id", report.report_id, problem) ||
        !text_field(document, "package_sha256", report.package_sha256, problem) ||
        !text_field(document, "inf_path", report.inf_path, problem) ||
        !text_field(document, "hardware_id", report.hardware_id, problem) ||
        !text_field(document, "outcome", outcome, problem) || !text_field(document, "os", report.os, problem) ||
        !text_field(document, "machine", report.machine, problem) ||
        !number_field(document, "exit_code", report.exit_code, problem) ||
        !number_field(document, "problem_code", report.problem_code, problem))
        return false;
    std::optional<std::uint32_t> build;
    if (!number_field(document, "build", build, problem)) return false;
    report.build = build.value_or(0);
    if (!lower_hex(report.report_id, 32)) return problem = "report_id is not 32 lower-case hex digits", false;
    if (!lower_hex(report.package_sha256, 64)) return problem = "package_sha256 is not 64 lower-case hex digits", false;
    if (report.inf_path.empty() || !plain_text(report.inf_path, 260)) return problem = "inf_path is no INF path", false;
    if (report.hardware_id.empty() || !plain_text(report.hardware_id, 200) ||
        report.hardware_id.find_first_of(" \\") == 0)
        return problem = "hardware_id is no device ID", false;
    std::transform(report.hardware_id.begin(), report.hardware_id.end(), report.hardware_id.begin(),
                   [](char c) { return char(std::toupper(static_cast<unsigned char>(c))); });
    static const report_outcome_c outcomes[] = {report_outcome_c::installed, report_outcome_c::staged,
                                                report_outcome_c::not_better, report_outcome_c::failed,
                                                report_outcome_c::restart_needed, report_outcome_c::rolled_back};
    const auto named = std::find_if(std::begin(outcomes), std::end(outcomes),
                                    [&](report_outcome_c each) { return outcome == outcome_name(each); });
    if (named == std::end(outcomes)) return problem = "outcome is none of installed, staged, not_better, failed, restart_needed, rolled_back", false;
    report.outcome = *named;
    if (report.os.empty() || report.os.size() > 16 ||
        !std::all_of(report.os.begin(), report.os.end(), [](char c) { return std::isupper(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)); }))
        return problem = "os is no OS code", false;
    if (report.machine != "x86" && report.machine != "amd64" && report.machine != "arm64")
        return problem = "machine is none of x86, amd64, arm64", false;
    if (const auto replaced = document.find("replaced"); replaced != document.end()) {
        if (!replaced->is_object()) return problem = "replaced is not an object", false;
        if (!known_fields(*replaced, {"version", "date", "provider"}, problem) ||
            !text_field(*replaced, "version", report.replaced_version, problem) ||
            !text_field(*replaced, "date", report.replaced_date, problem, false) ||
            !text_field(*replaced, "provider", report.replaced_provider, problem, false))
            return false;
        if (!plain_text(report.replaced_version, 64) || !iso_date(report.replaced_date))
            return problem = "replaced holds no driver version and date", false;
        // Providers' names are the one text that may be outside ASCII: kept as UTF-8, bounded.
        if (report.replaced_provider.size() > 256) return problem = "replaced provider too long", false;
    }
    return true;
}
