#include "system/data_places_win.h"

#include "common/kernel_handle_win.h"
#include "system/machine_facts.h"

#include <shlobj.h>
#include <windows.h>

#include <vector>

namespace {

std::wstring shell_folder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return path;
}

std::wstring environment_value(const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(value, length) : std::wstring();
}

// Program Files in both of its views: a 32-bit program on 64-bit Windows is told the x86 folder
// by the shell, and the 64-bit one only by the environment.
std::vector<std::wstring> system_program_folders() {
    std::vector<std::wstring> folders;
    for (const std::wstring& folder : {shell_folder(CSIDL_PROGRAM_FILES), shell_folder(CSIDL_PROGRAM_FILESX86),
                                       environment_value(L"ProgramW6432"), environment_value(L"ProgramFiles")})
        if (!folder.empty()) folders.push_back(full_path(folder));
    return folders;
}

// Writes and removes a file of its own name: the folder's permissions, its read-only file system
// and its quota all answer at once, where reading the access rights would miss the last two.
bool folder_writable(const std::wstring& folder, unsigned long* error = nullptr) {
    const std::wstring probe = folder + L"\\.vantorel-write-check-" + std::to_wstring(GetCurrentProcessId());
    kernel_handle_c file = file_handle(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                   FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN |
                                                       FILE_FLAG_DELETE_ON_CLOSE,
                                                   nullptr));
    if (!file) {
        if (error) *error = GetLastError();
        return false;
    }
    return true;
}

// From the program file's own folder, which the console tool shares with the program when it
// lies beside it, whatever the current directory.
data_places_c find_data_places() {
    const std::wstring& path = program_path();
    std::wstring folder = full_path(path.substr(0, path.find_last_of(L"\\/")));
    while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    return choose_data_places(folder, folder_writable(folder), system_program_folders(),
                              shell_folder(CSIDL_LOCAL_APPDATA));
}

}  // namespace

const data_places_c& data_places() {
    static const data_places_c places = find_data_places();
    return places;
}

std::wstring full_path(const std::wstring& path) {
    DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::wstring full(needed, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return path;
    full.resize(length);
    // Short names ("C:\PROGRA~2") made long, so folders compare by their real names.
    DWORD long_needed = GetLongPathNameW(full.c_str(), nullptr, 0);
    if (long_needed == 0) return full;
    std::wstring long_path(long_needed, L'\0');
    DWORD long_length = GetLongPathNameW(full.c_str(), long_path.data(), long_needed);
    if (long_length == 0 || long_length >= long_needed) return full;
    long_path.resize(long_length);
    return long_path;
}

unsigned long prepare_folder(const std::wstring& folder) {
    if (folder.empty()) return ERROR_PATH_NOT_FOUND;
    const std::wstring full = full_path(folder);
    DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        int result = SHCreateDirectoryExW(nullptr, full.c_str(), nullptr);
        if (result != ERROR_SUCCESS && result != ERROR_ALREADY_EXISTS) return static_cast<unsigned long>(result);
        attributes = GetFileAttributesW(full.c_str());
    }
    if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return ERROR_DIRECTORY;
    unsigned long error = 0;
    return folder_writable(full, &error) ? 0 : error;
}

std::wstring system_error_text(unsigned long error) {
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring result = length && text ? std::wstring(text, length) : std::wstring();
    if (text) LocalFree(text);
    while (!result.empty() && (result.back() == L'\n' || result.back() == L'\r' || result.back() == L' ' || result.back() == L'.'))
        result.pop_back();
    if (result.empty()) result = L"error " + std::to_wstring(error);
    return result;
}
