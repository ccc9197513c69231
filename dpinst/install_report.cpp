#include "dpinst/install_report.h"

#include <cwchar>

namespace {

std::wstring joined(const std::vector<std::wstring>& items) {
    std::wstring text;
    for (const auto& item : items) text += (text.empty() ? L"" : L", ") + item;
    return text;
}

std::wstring devices(std::size_t count) {
    return std::to_wstring(count) + (count == 1 ? L" device" : L" devices");
}

}  // namespace

std::wstring package_log_line(const package_result_c& result) {
    std::wstring as = result.published_name.empty() ? L"" : L" as " + result.published_name;
    std::wstring because = result.reason.empty() ? L"" : L": " + result.reason;
    switch (result.outcome) {
        case package_outcome_c::installed: {
            std::wstring line = L"Installed " + result.inf_path + as + L" on " + devices(result.installed_on.size()) +
                                L": " + joined(result.installed_on);
            if (!result.failed_on.empty()) line += L"; failed on " + joined(result.failed_on) + because;
            return line + (result.restart_needed ? L" (restart needed)" : L"");
        }
        case package_outcome_c::staged_only:
            return L"Staged " + result.inf_path + as + L", installed on no device" + because;
        case package_outcome_c::skipped:
            return L"Skipped " + result.inf_path + because;
        case package_outcome_c::removed:
            return L"Removed " + result.published_name + L" (" + result.inf_path + L")";
        case package_outcome_c::failed:
            break;
    }
    std::wstring line = L"Failed " + result.inf_path + as;
    if (!result.failed_on.empty()) line += L" on " + joined(result.failed_on);
    return line + because;
}

std::wstring summary_line(const install_tally_c& tally) {
    wchar_t code[16];
    std::swprintf(code, 16, L"0x%08X", unsigned(tally.exit_code()));
    return std::to_wstring(tally.installed) + L" installed, " + std::to_wstring(tally.staged_only) + L" staged only, " +
           std::to_wstring(tally.failed) + L" failed (exit code " + code + L")";
}
