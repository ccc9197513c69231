// Install reports the user agreed to send: after an installation the program queues what
// happened (the package, the hardware ID it was offered for, what it replaced, how it ended, and
// the Windows it ran on; never an instance path, serial number, user or machine name), and the
// next scan sends the queue to the mirror that answered it. The queue is "reports.dat" in the
// user's data folder, one JSON document per line, the oldest dropped past its bound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct install_report_entry_c {
    std::string report_id;  // 32 hex digits, random: a retry is counted once
    std::string package_sha256;
    std::string inf_path;
    std::string hardware_id;
    std::string replaced_version, replaced_date, replaced_provider;  // empty: no driver before
    std::string outcome;  // "installed", "staged", "not_better", "failed", "restart_needed", "rolled_back"
    std::optional<std::uint32_t> exit_code;
    std::string os;
    std::uint32_t build = 0;
    std::string machine;  // "x86", "amd64", "arm64"
};

// Where an installation's reports go, and what they say of the machine.
struct report_origin_c {
    std::wstring queue;  // "reports.dat"; empty: no report
    std::string os;
    std::uint32_t build = 0;
    std::string machine;
};

// The queue holds this many reports at most.
constexpr std::size_t report_queue_most = 200;

std::string new_report_id();
std::string report_json(const install_report_entry_c& report);

std::wstring report_queue_path(const std::wstring& data_folder);
// Appends the reports, dropping the oldest past the bound; false when the file could not be written.
bool queue_reports(const std::wstring& path, const std::vector<install_report_entry_c>& reports);
// The queued documents, oldest first.
std::vector<std::string> queued_reports(const std::wstring& path);
// Empties the queue (the user said no): false when it could not be emptied.
bool clear_queued_reports(const std::wstring& path);
// Keeps only the documents not in `sent` (the whole line compared).
bool drop_queued_reports(const std::wstring& path, const std::vector<std::string>& sent);

// What one round of sending gave: taken by the server, refused for good (dropped: it will never
// take them), kept for the next scan (the server or the network failed).
struct report_sending_c {
    std::size_t taken = 0, refused = 0, kept = 0;
};
