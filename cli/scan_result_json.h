// JSON form of a scan's outcome: every device with its offered packages, the best and the
// latest choice with their update flags, and the query's result fields.
#pragma once

#include "devices/device_store.h"
#include "service/scan_result.h"
#include "system/machine_description.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>

nlohmann::ordered_json driver_item_json(const driver_item_c& item);
// Writes the whole outcome, one device at a time, as one JSON object and a line break.
void write_scan_result_json(std::FILE* out, const scan_result_c& result, const machine_description_c& machine);

// A readable summary for people: devices found, out of date, without a driver, up to date, and
// each offered package with its devices.
std::string scan_summary_text(const scan_result_c& result);

// Why a scan failed, in one line a person can act on: which mirror refused and how, or which
// mirror's answer could not be read; the failure's number for scripts at its end.
std::string scan_failure_text(const query_outcome_c& outcome);
