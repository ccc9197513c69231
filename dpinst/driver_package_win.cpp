#include "dpinst/driver_package_win.h"

#include "common/file_open.h"
#include "common/hex_text.h"
#include "common/text_compare.h"
#include "common/unique_handle.h"
#include "devices/inf_models_win.h"

#include <windows.h>
#include <setupapi.h>

#include <algorithm>

namespace {

struct file_queue_traits_c {
    using handle = HSPFILEQ;
    static HSPFILEQ invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HSPFILEQ queue) { SetupCloseFileQueue(queue); }
};
using file_queue_c = unique_handle_c<file_queue_traits_c>;

// The file that provides a source: the source itself, or its compressed form whose name ends in
// "_" instead of the last character.
std::optional<std::wstring> existing_source(const std::wstring& path) {
    if (file_exists(path)) return path;
    std::size_t dot = path.find_last_of(L'.');
    if (dot == std::wstring::npos || dot < path.find_last_of(L"\\/") || dot + 1 >= path.size()) return std::nullopt;
    std::wstring compressed = path;
    compressed.back() = L'_';
    if (file_exists(compressed)) return compressed;
    return std::nullopt;
}

UINT CALLBACK collect_source(PVOID context, UINT notification, UINT_PTR parameter, UINT_PTR) {
    if (notification == SPFILENOTIFY_QUEUESCAN_EX) {
        auto* paths = reinterpret_cast<FILEPATHS_W*>(parameter);
        auto* sources = static_cast<std::vector<std::wstring>*>(context);
        if (paths && paths->Source) sources->emplace_back(paths->Source);
    }
    return NO_ERROR;
}

// Queues the copies of each install section the model lines use (and of its co-installers) and
// lists their sources without copying anything.
bool list_source_files(HINF inf, const std::vector<inf_model_line_c>& lines, const inf_platform_c& platform,
                       std::vector<std::wstring>& sources, std::wstring& reason) {
    file_queue_c queue(SetupOpenFileQueue());
    if (!queue) {
        reason = L"cannot open a file queue (error " + hex_code(GetLastError()) + L")";
        return false;
    }
    std::vector<std::wstring> sections;
    for (const auto& line : lines) {
        bool nt = false;
        auto actual = actual_install_section(inf, line.install_section, platform, nt);
        if (!actual) {
            reason = L"install section " + line.install_section + L" is missing";
            return false;
        }
        bool seen = std::any_of(sections.begin(), sections.end(),
                                [&](const std::wstring& s) { return equal_ignoring_case(s, *actual); });
        if (seen) continue;
        sections.push_back(*actual);
        for (const std::wstring& section : {*actual, *actual + L".CoInstallers"}) {
            if (SetupGetLineCountW(inf, section.c_str()) < 0) continue;
            if (!SetupInstallFilesFromInfSectionW(inf, nullptr, queue.get(), section.c_str(), nullptr, 0)) {
                reason = L"cannot read the copy sections of " + section + L" (error " + hex_code(GetLastError()) + L")";
                return false;
            }
        }
    }
    DWORD result = 0;
    if (!SetupScanFileQueueW(queue.get(), SPQ_SCAN_USE_CALLBACKEX, nullptr, collect_source, &sources, &result)) {
        reason = L"cannot list the files to copy (error " + hex_code(GetLastError()) + L")";
        return false;
    }
    return true;
}

std::wstring folder_of(const std::wstring& path) {
    std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

}  // namespace

package_check_c read_driver_package(const std::wstring& inf_path, const inf_platform_c& platform,
                                    package_facts_c& facts, std::wstring& reason) {
    facts = package_facts_c{};
    wchar_t full[MAX_PATH] = {};
    DWORD length = GetFullPathNameW(inf_path.c_str(), MAX_PATH, full, nullptr);
    facts.inf_path = length > 0 && length < MAX_PATH ? full : inf_path;
    facts.folder = folder_of(facts.inf_path);
    facts.inf_file_name = facts.inf_path.substr(facts.folder.size() + 1);

    UINT error_line = 0;
    inf_handle_c inf(SetupOpenInfFileW(facts.inf_path.c_str(), nullptr, INF_STYLE_WIN4, &error_line));
    if (!inf) {
        reason = L"the INF cannot be read (error " + hex_code(GetLastError()) + L", line " +
                 std::to_wstring(error_line) + L")";
        return package_check_c::failed;
    }
    if (!read_platform_models(inf.get(), platform, facts.models)) {
        reason = L"not a driver package (no [Manufacturer] section)";
        return package_check_c::not_a_driver_package;
    }
    if (facts.models.empty()) {
        reason = L"no models for " + platform.architecture + L" Windows " + std::to_wstring(platform.major) + L"." +
                 std::to_wstring(platform.minor);
        return package_check_c::not_for_this_platform;
    }
    INFCONTEXT line{};
    std::optional<std::wstring> date, number;
    if (SetupFindFirstLineW(inf.get(), L"Version", L"DriverVer", &line)) {
        date = read_inf_field(line, 1);
        number = SetupGetFieldCount(&line) >= 2 ? read_inf_field(line, 2) : std::wstring();
    }
    if (!date || !number || !parse_driver_date(*date, facts.version) ||
        !parse_driver_version_number(*number, facts.version)) {
        reason = L"DriverVer is missing or not a valid date and version";
        return package_check_c::failed;
    }
    facts.provider = read_inf_value(inf.get(), L"Version", L"Provider").value_or(L"");
    facts.catalog_name = read_catalog_name(inf.get(), platform);
    facts.catalog_present = !facts.catalog_name.empty() && file_exists(facts.folder + L"\\" + facts.catalog_name);

    std::vector<std::wstring> sources;
    if (!list_source_files(inf.get(), facts.models, platform, sources, reason)) return package_check_c::failed;
    for (const auto& source : sources) {
        auto file = existing_source(source);
        if (!file) {
            reason = L"source file missing: " + source;
            return package_check_c::failed;
        }
        bool listed = std::any_of(facts.source_files.begin(), facts.source_files.end(),
                                  [&](const std::wstring& s) { return equal_ignoring_case(s, *file); });
        if (!listed) facts.source_files.push_back(*file);
    }
    return package_check_c::ready;
}
