// Whether this user agreed to send install reports: the program's setting (Windows builds).
#pragma once

#include "service/install_reports.h"

#include <optional>
#include <string>

// The setting, or none where there are no settings (Linux).
std::optional<bool> report_consent();
// Where a report made by this tool goes (the data folder's queue) and what it says of the machine,
// where the user agreed; empty otherwise.
report_origin_c report_origin_for(const std::wstring& data_folder);

// Sets it (and marks the question asked); false with the reason.
bool set_report_consent(bool send, std::string& error);
