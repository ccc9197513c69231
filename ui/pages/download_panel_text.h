// What a download panel writes, apart from drawing: its height for a number of devices, each
// device's date line, the progress box's text, and the page header's text for a count.
#pragma once

#include "download/installer_outcome.h"

#include "ui/pages/result_counts.h"

#include <cstdint>
#include <string>

// T + L(2n + 1) + 16n + 24 for title height T, line height L and n devices.
int download_panel_height(int title_height, int line_height, int device_count);

// A device's line of installed and offered driver dates. It agrees with the panel's mark: the
// offer is called new ("download_date1", or "download_date3" without a date, 0000-00-00) only
// for a device that needs it, whatever the dates say; for one that does not it is the offered
// driver, not newer ("download_date2", or "download_date4" without a date).
std::wstring panel_date_line(bool has_driver, const std::wstring& installed_date, const std::wstring& offered_date,
                             bool needed);

// The status of a package once its waited-for installation ended: installed, the driver in use
// kept (not better), failed, or a restart needed; null when the outcome is not known.
const char* installed_status_key(const std::optional<installer_outcome_c>& outcome);

// "done/size" while a download is under way (0 < done < size), else the size alone.
std::wstring panel_progress_text(std::uint64_t bytes_done, std::uint64_t size);

// The devices the page offers to update: drivers out of date, and devices without a driver that
// have an offer. The header never says all is up to date while the counts beside it list one.
int devices_to_update(const result_counts_c& counts);

// The page header's language key for the number of devices to update; the number itself follows
// only the text for more than eight.
const char* download_header_key(const result_counts_c& counts);
