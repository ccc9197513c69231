#include "cli/report_consent.h"

std::optional<bool> report_consent() { return std::nullopt; }

bool set_report_consent(bool, std::string& error) {
    error = "the settings live in the Windows registry; run the Windows build";
    return false;
}

report_origin_c report_origin_for(const std::wstring&) { return {}; }
