// One install report as a client sends it (POST /report, JSON), read field by field: what was
// installed on which hardware ID, what it replaced and how it ended, and the client's Windows.
// Nothing that names the machine or its user is taken: a field the format does not know is
// refused, not stored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class report_outcome_c { installed, staged, not_better, failed, restart_needed, rolled_back };

struct install_report_c {
    std::string report_id;       // 32 lower-case hex digits, chosen at random by the client
    std::string package_sha256;  // 64 lower-case hex digits
    std::string inf_path;        // inside the package
    std::string hardware_id;     // the ID the offer matched, upper-case
    std::string replaced_version, replaced_date, replaced_provider;  // empty: no driver before
    report_outcome_c outcome = report_outcome_c::failed;
    std::optional<std::uint32_t> exit_code, problem_code;
    std::string os;       // "WIN1064" and the like
    std::uint32_t build = 0;
    std::string machine;  // "x86", "amd64", "arm64"
};

// Largest report body the server reads.
constexpr std::size_t report_body_bytes = 16 * 1024;

// False with the reason (naming the field) for anything that is no such report.
bool read_install_report(std::string_view json, install_report_c& report, std::string& problem);

const char* outcome_name(report_outcome_c outcome);
// A failure for demotion: the installation failed, or the user undid it (a package Windows judged
// not better did not fail).
inline bool counts_as_failure(report_outcome_c outcome) {
    return outcome == report_outcome_c::failed || outcome == report_outcome_c::rolled_back;
}
// A good report toward graduating a package out of the testing channel.
inline bool counts_as_installed(report_outcome_c outcome) {
    return outcome == report_outcome_c::installed || outcome == report_outcome_c::restart_needed;
}
