// Where this user's install reports go: only where the settings say the user agreed.
#pragma once

#include "service/install_reports.h"

#include <string>

// The data folder's queue and this PC's Windows, where the loaded settings say yes; empty
// otherwise (no report is made).
report_origin_c report_origin_where_agreed(const std::wstring& data_folder);
