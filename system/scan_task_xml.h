// The weekly scan's Task Scheduler 2.0 task as the task XML the scheduler registers and gives
// back: written for registration, read into a record, and switched on or off. Portable: the
// Windows code hands the texts to and from the scheduler.
#pragma once

#include "system/scan_schedule_time.h"
#include "system/scan_task_record.h"

#include <optional>
#include <string>

// The definition: the account's own task, run with its interactive token only while it is logged
// on, without elevation; no battery condition, no time limit, a missed start made up as soon as
// possible; one weekly trigger every week at start; the program with "--autorun".
std::wstring scan_task_xml(const std::wstring& account, const std::wstring& application, const weekly_start_c& start);

// A registered definition as a record (scheduler 2; path left empty). Elements the scheduler
// leaves out take the schema's defaults. None when the text is no task.
std::optional<scan_task_record_c> read_scan_task_xml(const std::wstring& xml);

// The same definition with the task enabled or disabled (its settings' Enabled), all else kept;
// none when the text is no task.
std::optional<std::wstring> scan_task_xml_enabled(const std::wstring& xml, bool enabled);
