// Whether this user agreed to send install reports: the program's setting (Windows builds).
#pragma once

#include <optional>
#include <string>

// The setting, or none where there are no settings (Linux).
std::optional<bool> report_consent();
// Sets it (and marks the question asked); false with the reason.
bool set_report_consent(bool send, std::string& error);
