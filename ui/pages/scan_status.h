// What the scan page shows, apart from any drawing: where its box of status rows goes, the
// progress bar's share, the waiting dots, the elapsed time, and the text of a failed query.
#pragma once

#include "common/failure_code.h"
#include "devices/device_store.h"

#include <cstdint>
#include <optional>
#include <string>

struct status_box_c {
    int left = 0, top = 0, right = 0, bottom = 0;
    int line_height = 0;
};

// The box of the five status rows in a page of that client size: text_width and line_height
// are those of the widest row ("checking for driver updates" in Verdana 9 bold). A text wider
// than two thirds of the main area gives a box exactly as wide, centred; otherwise the box
// spans the middle two thirds.
status_box_c scan_status_box(int client_width, int client_height, int text_width, int line_height);

// scanned / total, 0 when total is 0, never above 1.
float scan_progress_fraction(std::int32_t scanned, std::int32_t total);

// ".", ".." or "...": one more each second of the wall clock, then again.
const wchar_t* waiting_dots(std::int64_t now_seconds);

// Seconds as "HH:MM:SS", the hours wrapping after 24; a negative span (the clock was set back)
// reads as zero.
std::wstring elapsed_text(std::int64_t seconds);

// The text shown for a failed scan query, or none: a code without a text ends the scan without a
// box. server_message is the failure text the query kept.
// The notice for devices whose installed driver the catalog owner withdrew: the language's words,
// then each device's name and the reason (the first eight devices, and how many more); empty
// when there is none.
std::wstring withdrawn_drivers_text(const device_store_c& store);

std::optional<std::wstring> scan_error_text(failure_code_c code, std::int32_t detail, const std::wstring& server_message);
