#include "ui/pages/download_panel_text.h"

#include "common/format_size.h"
#include "ui/kit/language_format.h"


int download_panel_height(int title_height, int line_height, int device_count) {
    return title_height + line_height * (2 * device_count + 1) + 16 * device_count + 24;
}

std::wstring panel_date_line(bool has_driver, const std::wstring& installed_date, const std::wstring& offered_date,
                             bool needed) {
    const bool undated = offered_date == L"0000-00-00";
    // A device without a driver says so, rather than showing an installed driver of no date.
    if (!has_driver)
        return undated ? format_language_text("download_date6", {}, 128)
                       : format_language_text("download_date5", {offered_date}, 128);
    if (needed)
        return undated ? format_language_text("download_date3", {installed_date}, 128)
                       : format_language_text("download_date1", {installed_date, offered_date}, 128);
    return undated ? format_language_text("download_date4", {installed_date}, 128)
                   : format_language_text("download_date2", {installed_date, offered_date}, 128);
}

const char* installed_status_key(const std::optional<installer_outcome_c>& outcome) {
    if (!outcome) return nullptr;
    switch (outcome->verdict) {
        case install_verdict_c::installed:
            return outcome->restart_needed ? "install_status_restart" : "install_status_installed";
        case install_verdict_c::not_better: return "install_status_not_better";
        case install_verdict_c::failed: return "install_status_failed";
    }
    return nullptr;
}

namespace {
// Sizes are written in ASCII.
std::wstring size_text(std::uint64_t bytes) {
    std::string text = format_size(std::int64_t(bytes));
    return std::wstring(text.begin(), text.end());
}
}  // namespace

std::wstring panel_progress_text(std::uint64_t bytes_done, std::uint64_t size) {
    std::wstring total = size_text(size);
    if (bytes_done > 0 && bytes_done < size) {
        std::wstring text = size_text(bytes_done) + L"/" + total;
        return text.size() > 31 ? text.substr(0, 31) : text;
    }
    return total;
}

int devices_to_update(const result_counts_c& counts) { return counts.out_of_date + counts.no_driver; }

const char* download_header_key(const result_counts_c& counts) {
    const int count = devices_to_update(counts);
    if (count <= 0) return "download_new_drivers_found3";
    return count <= 8 ? "download_new_drivers_found1" : "download_new_drivers_found2";
}
