#include "service/install_reports.h"

#include "common/file_open.h"
#include "common/hex_text.h"
#include "common/path_join.h"
#include "common/text_lines.h"

#include <nlohmann/json.hpp>
#include <sodium.h>

#include <algorithm>
#include <mutex>

namespace {
// Installations and scans queue and send on workers of their own.
std::mutex queue_lock;
}  // namespace

std::string new_report_id() {
    static const bool ready = sodium_init() >= 0;
    (void)ready;
    std::uint8_t bytes[16];
    randombytes_buf(bytes, sizeof bytes);
    return hex_text(bytes, sizeof bytes);
}

std::string report_json(const install_report_entry_c& report) {
    nlohmann::ordered_json document = {{"report_id", report.report_id},
                                       {"package_sha256", report.package_sha256},
                                       {"inf_path", report.inf_path},
                                       {"hardware_id", report.hardware_id}};
    if (!report.replaced_version.empty())
        document["replaced"] = {{"version", report.replaced_version},
                                {"date", report.replaced_date},
                                {"provider", report.replaced_provider}};
    document["outcome"] = report.outcome;
    if (report.exit_code) document["exit_code"] = *report.exit_code;
    document["os"] = report.os;
    document["build"] = report.build;
    document["machine"] = report.machine;
    return document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::wstring report_queue_path(const std::wstring& data_folder) { return join_path(data_folder, L"reports.dat"); }

std::vector<std::string> queued_reports(const std::wstring& path) {
    std::vector<std::string> lines;
    std::FILE* file = path.empty() ? nullptr : open_file(path, "rb");
    if (!file) return lines;
    std::string line;
    while (read_text_line(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line.front() == '{') lines.push_back(line);
    }
    std::fclose(file);
    return lines;
}

namespace {

bool write_queue(const std::wstring& path, std::vector<std::string> lines) {
    if (lines.size() > report_queue_most) lines.erase(lines.begin(), lines.end() - std::ptrdiff_t(report_queue_most));
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return write_file_atomically(path, text);
}

}  // namespace

bool queue_reports(const std::wstring& path, const std::vector<install_report_entry_c>& reports) {
    if (path.empty() || reports.empty()) return true;
    std::lock_guard<std::mutex> hold(queue_lock);
    std::vector<std::string> lines = queued_reports(path);
    for (const install_report_entry_c& report : reports) lines.push_back(report_json(report));
    return write_queue(path, std::move(lines));
}

bool clear_queued_reports(const std::wstring& path) {
    std::lock_guard<std::mutex> hold(queue_lock);
    return !file_exists(path) || write_file_atomically(path, "");
}

bool drop_queued_reports(const std::wstring& path, const std::vector<std::string>& sent) {
    if (sent.empty()) return true;
    std::lock_guard<std::mutex> hold(queue_lock);
    std::vector<std::string> lines = queued_reports(path);
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [&](const std::string& line) { return std::find(sent.begin(), sent.end(), line) != sent.end(); }),
                lines.end());
    return write_queue(path, std::move(lines));
}
