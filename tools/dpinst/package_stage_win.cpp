#include "tools/dpinst/package_stage_win.h"

#include "common/file_open.h"
#include "tools/dpinst/legacy_inf.h"
#include "tools/dpinst/package_copy_win.h"

#include <windows.h>
#include <setupapi.h>

#include <filesystem>
#include <system_error>

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
    if (legacy_folder.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(legacy_folder), ignored);
}

std::wstring system_inf_folder() {
    wchar_t windows[MAX_PATH] = {};
    UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(windows) + L"\\inf" : std::wstring(L"inf");
}

bool stage_package(const package_facts_c& facts, bool legacy_mode, staged_package_c& staged, std::wstring& reason) {
    DWORD error = ERROR_SUCCESS;
    if (stage(facts.inf_path, staged.published_name, error)) {
        staged.install_inf = facts.inf_path;
        return true;
    }
    if (legacy_mode && !facts.catalog_name.empty() && !facts.catalog_present) {
        std::string bytes;
        std::wstring folder = new_temporary_folder();
        if (folder.empty() || !read_whole_file(facts.inf_path, bytes)) {
            reason = L"cannot prepare a copy without the missing catalog";
            return false;
        }
        staged.legacy_folder = folder;
        bytes = inf_without_catalog(bytes);
        if (!copy_package(facts, folder, &bytes, reason)) return false;
        std::wstring copy = folder + L"\\" + facts.inf_file_name;
        if (stage(copy, staged.published_name, error)) {
            staged.install_inf = copy;
            return true;
        }
    }
    reason = L"staging failed (error " + std::to_wstring(error) + L")";
    return false;
}

std::wstring find_published_inf(const std::wstring& argument) {
    std::wstring folder = system_inf_folder();
    if (argument.find_first_of(L"\\/") == std::wstring::npos && file_exists(folder + L"\\" + argument)) return argument;
    std::string package;
    if (!read_whole_file(argument, package)) return std::wstring();
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*.inf").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return std::wstring();
    std::wstring match;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (found.nFileSizeHigh != 0 || found.nFileSizeLow != package.size()) continue;
        std::string published;
        if (read_whole_file(folder + L"\\" + found.cFileName, published) && published == package) match = found.cFileName;
    } while (match.empty() && FindNextFileW(search, &found));
    FindClose(search);
    return match;
}

bool remove_published_inf(const std::wstring& published_name, std::wstring& reason) {
    BOOL removed = SetupUninstallOEMInfW(published_name.c_str(), SUOI_FORCEDELETE, nullptr);
    DWORD error = removed ? ERROR_SUCCESS : GetLastError();
    if (!file_exists(system_inf_folder() + L"\\" + published_name)) return true;
    reason = L"the published INF is still there (error " + std::to_wstring(error) + L")";
    return false;
}
