#include "dpinst/protected_folder_win.h"

#include "common/file_create.h"
#include "common/path_join.h"
#include "dpinst/device_problem.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <atomic>
#include <cwchar>
#include <memory>

namespace {

struct local_free_c {
    void operator()(void* memory) const { LocalFree(memory); }
};
using security_descriptor_c = std::unique_ptr<void, local_free_c>;

security_descriptor_c protected_descriptor() {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(protected_folder_sddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return nullptr;
    return security_descriptor_c(descriptor);
}

bool is_reparse_point(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Makes the folder with the protected descriptor, or gives an existing one that descriptor: the
// owner and the access list are set again, whoever made it.
bool secure_folder(const std::wstring& path, PSECURITY_DESCRIPTOR descriptor, std::wstring& error) {
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    if (CreateDirectoryW(path.c_str(), &attributes)) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
        error = L"cannot create " + path + L" (error " + hex_code(GetLastError()) + L")";
        return false;
    }
    if (is_reparse_point(path)) {
        error = path + L" is a link to another place, not a folder of its own";
        return false;
    }
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    PSID owner = nullptr;
    GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
    const DWORD status = SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT,
                                               OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                                   PROTECTED_DACL_SECURITY_INFORMATION,
                                               owner, nullptr, dacl, nullptr);
    if (status != ERROR_SUCCESS) {
        error = L"cannot secure " + path + L" (error " + hex_code(status) + L")";
        return false;
    }
    return true;
}

// Whether the installer run that made a staging folder (named "<process id>-...") still runs: its
// folder is in use then, whatever else runs beside it.
bool maker_still_runs(const std::wstring& name) {
    const DWORD id = DWORD(std::wcstoul(name.c_str(), nullptr, 10));
    if (id == 0) return false;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

// Leftovers of earlier runs (a program that kept a file open, a run that was ended); the folders
// of runs going on now stay.
void remove_leftovers(const std::wstring& root) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(join_path(root, L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
            !maker_still_runs(name))
            remove_tree(join_path(root, name));
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace

std::wstring staging_root() {
    wchar_t program_data[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, program_data))) return {};
    return join_path(join_path(program_data, L"Vantorel"), L"staging");
}

std::optional<protected_folder_c> protected_folder_c::create(std::wstring& error) {
    const std::wstring root = staging_root();
    security_descriptor_c descriptor = protected_descriptor();
    if (root.empty() || !descriptor) {
        error = L"no protected folder can be described on this system";
        return std::nullopt;
    }
    const std::wstring product = root.substr(0, root.find_last_of(L'\\'));
    if (!secure_folder(product, descriptor.get(), error) || !secure_folder(root, descriptor.get(), error))
        return std::nullopt;
    remove_leftovers(root);
    static std::atomic<unsigned> made{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring path = join_path(root, std::to_wstring(GetCurrentProcessId()) + L"-" +
                                                      std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(made++));
        SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
        if (CreateDirectoryW(path.c_str(), &attributes)) return protected_folder_c(path);
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    error = L"cannot create a folder in " + root + L" (error " + hex_code(GetLastError()) + L")";
    return std::nullopt;
}

protected_folder_c::protected_folder_c(protected_folder_c&& other) noexcept : path_(std::move(other.path_)) {
    other.path_.clear();
}

protected_folder_c::~protected_folder_c() {
    if (path_.empty()) return;
    // A program the package started may still hold a file: then the next run removes it.
    remove_tree(path_);
}
