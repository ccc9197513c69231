#include "dpinst/package_stage_win.h"

#include "common/file_open.h"
#include "common/hex_text.h"
#include "common/text_compare.h"
#include "common/wine_detection_win.h"
#include "dpinst/legacy_inf.h"
#include "dpinst/package_copy_win.h"
#include "dpinst/wine_models_inf.h"

#include <windows.h>
#include <setupapi.h>

#include <filesystem>
#include <system_error>
#include <vector>

namespace {

bool stage(const std::wstring& inf, std::wstring& published, DWORD& error) {
    wchar_t destination[MAX_PATH] = {};
    PWSTR part = nullptr;
    if (!SetupCopyOEMInfW(inf.c_str(), nullptr, SPOST_PATH, 0, destination, MAX_PATH, nullptr, &part)) {
        error = GetLastError();
        return false;
    }
    published = part ? part : destination;
    return true;
}

bool has_oem_name(const std::wstring& name) {
    return name.size() > 3 && equal_ignoring_case(name.substr(0, 3), std::wstring(L"oem"));
}

// The published INF whose bytes are these, as Windows finds an identical INF before it publishes
// one anew; empty when there is none.
std::wstring published_copy_of(const std::string& bytes) {
    const std::wstring folder = system_inf_folder();
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\oem*.inf").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return std::wstring();
    std::wstring match;
    do {
        std::string published;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            read_whole_file(folder + L"\\" + found.cFileName, published) && published == bytes)
            match = found.cFileName;
    } while (match.empty() && FindNextFileW(search, &found));
    FindClose(search);
    return match;
}

// The first oem<N>.inf that neither an INF nor its precompiled PNF in the INF folder uses.
std::wstring free_oem_name() {
    const std::wstring folder = system_inf_folder();
    for (unsigned n = 0;; ++n) {
        const std::wstring stem = L"oem" + std::to_wstring(n);
        if (!file_exists(folder + L"\\" + stem + L".inf") && !file_exists(folder + L"\\" + stem + L".pnf"))
            return stem + L".inf";
    }
}

std::wstring new_temporary_folder() {
    static unsigned counter = 0;
    wchar_t temporary[MAX_PATH] = {};
    DWORD length = GetTempPathW(MAX_PATH, temporary);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    return std::wstring(temporary) + L"dpinst-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(++counter);
}

}  // namespace

staged_package_c::~staged_package_c() {
    if (copy_folder.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(copy_folder), ignored);
}

std::wstring system_inf_folder() {
    wchar_t windows[MAX_PATH] = {};
    UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(windows) + L"\\inf" : std::wstring(L"inf");
}

bool stage_package(const package_facts_c& facts, const inf_platform_c& platform, bool legacy_mode,
                   staged_package_c& staged, std::wstring& reason) {
    std::string bytes;
    if (!read_whole_file(facts.inf_path, bytes)) {
        reason = L"cannot read " + facts.inf_path;
        return false;
    }
    std::optional<std::string> rewritten;
    if (running_on_wine()) {
        rewritten = inf_with_plain_models_decoration(bytes, platform);
        if (!rewritten) rewritten = bytes;  // staged from a copy all the same (see below)
    }
    const bool catalog_missing = !facts.catalog_name.empty() && !facts.catalog_present;
    DWORD error = ERROR_SUCCESS;
    if (!rewritten) {
        if (stage(facts.inf_path, staged.published_name, error)) {
            staged.install_inf = facts.inf_path;
            return true;
        }
        if (!legacy_mode || !catalog_missing) {
            reason = L"staging failed (error " + hex_code(error) + L")";
            return false;
        }
        rewritten = bytes;
    }
    if (legacy_mode && catalog_missing) rewritten = inf_without_catalog(*rewritten);
    // Wine publishes an INF under its own name while the INF folder has no file of that name, and
    // installs devices from it again under that name; Windows always publishes oem<N>.inf, reusing
    // an identical published INF. The copy is named so that Wine does the same.
    package_facts_c copy_facts = facts;
    if (running_on_wine() && !has_oem_name(facts.inf_file_name)) {
        copy_facts.inf_file_name = published_copy_of(*rewritten);
        if (copy_facts.inf_file_name.empty()) copy_facts.inf_file_name = free_oem_name();
    }
    staged.copy_folder = new_temporary_folder();
    if (staged.copy_folder.empty() || !copy_package(copy_facts, staged.copy_folder, &*rewritten, reason)) {
        if (reason.empty()) reason = L"cannot prepare a copy of the package";
        return false;
    }
    std::wstring copy = staged.copy_folder + L"\\" + copy_facts.inf_file_name;
    if (!stage(copy, staged.published_name, error)) {
        reason = L"staging the rewritten copy failed (error " + hex_code(error) + L")";
        return false;
    }
    staged.install_inf = copy;
    staged.copy_inf_bytes = std::move(rewritten);
    return true;
}

std::wstring find_published_inf(const std::wstring& argument, const inf_platform_c& platform) {
    std::wstring folder = system_inf_folder();
    if (argument.find_first_of(L"\\/") == std::wstring::npos && file_exists(folder + L"\\" + argument)) return argument;
    std::string package;
    if (!read_whole_file(argument, package)) return std::wstring();
    // The forms the installer may have published it in (see stage_package).
    std::vector<std::string> forms = {package};
    if (running_on_wine())
        if (auto rewritten = inf_with_plain_models_decoration(package, platform)) forms.push_back(*rewritten);
    for (std::size_t i = 0, count = forms.size(); i < count; ++i) forms.push_back(inf_without_catalog(forms[i]));
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*.inf").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return std::wstring();
    std::wstring match;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::string published;
        if (!read_whole_file(folder + L"\\" + found.cFileName, published)) continue;
        for (const auto& form : forms)
            if (published == form) match = found.cFileName;
    } while (match.empty() && FindNextFileW(search, &found));
    FindClose(search);
    return match;
}

bool remove_published_inf(const std::wstring& published_name, std::wstring& reason) {
    BOOL removed = SetupUninstallOEMInfW(published_name.c_str(), SUOI_FORCEDELETE, nullptr);
    DWORD error = removed ? ERROR_SUCCESS : GetLastError();
    if (!file_exists(system_inf_folder() + L"\\" + published_name)) return true;
    reason = L"the published INF is still there (error " + hex_code(error) + L")";
    return false;
}
