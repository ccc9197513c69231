#include "download/protected_folder_win.h"

#include "common/file_create.h"
#include "common/hex_text.h"
#include "common/kernel_handle_win.h"
#include "common/path_join.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <vector>

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

bool process_runs(DWORD id) {
    if (id == 0) return false;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

// Whether a staging folder is in use: the run that made it (named "<process id>-...") still runs,
// or the program it left running there (its id in the folder's "running" file).
bool in_use(const std::wstring& root, const std::wstring& name) {
    if (process_runs(DWORD(std::wcstoul(name.c_str(), nullptr, 10)))) return true;
    std::FILE* file = _wfopen(join_path(join_path(root, name), L"running").c_str(), L"rb");
    if (!file) return false;
    unsigned long id = 0;
    const bool read = std::fscanf(file, "%lu", &id) == 1;
    std::fclose(file);
    return read && process_runs(DWORD(id));
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
            !in_use(root, name))
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

void protected_folder_c::leave_to_program(DWORD process_id) {
    if (path_.empty()) return;
    if (std::FILE* file = _wfopen(join_path(path_, L"running").c_str(), L"wb")) {
        std::fprintf(file, "%lu\n", static_cast<unsigned long>(process_id));
        std::fclose(file);
    }
    path_.clear();
}

namespace {

// Copies everything the handle reads into a new file `to`, hashing the bytes as they pass.
bool copy_hashing(HANDLE from, const std::wstring& to, sha256_digest_c& digest, std::wstring& error) {
    constexpr DWORD block_size = 1 << 20;
    kernel_handle_c target = file_handle(
        CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target) return error = L"cannot create " + to + L" (error " + hex_code(GetLastError()) + L")", false;
    std::vector<unsigned char> block(block_size);
    sha256_c hash;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(from, block.data(), block_size, &read, nullptr))
            return error = L"cannot read the file for " + to + L" (error " + hex_code(GetLastError()) + L")", false;
        if (read == 0) break;
        DWORD written = 0;
        if (!WriteFile(target.get(), block.data(), read, &written, nullptr) || written != read)
            return error = L"cannot write " + to + L" (error " + hex_code(GetLastError()) + L")", false;
        hash.update(block.data(), read);
    }
    digest = hash.finish();
    return true;
}

}  // namespace

std::optional<protected_copy_c> make_protected_copy(HANDLE source, const std::wstring& source_path, std::wstring& error) {
    std::optional<protected_folder_c> folder = protected_folder_c::create(error);
    if (!folder) return std::nullopt;
    const std::size_t slash = source_path.find_last_of(L"\\/");
    const std::wstring name = slash == std::wstring::npos ? source_path : source_path.substr(slash + 1);
    const std::wstring path = join_path(folder->path(), name);
    protected_copy_c copy{std::move(*folder), path, {}};
    if (!copy_hashing(source, copy.path, copy.sha256, error)) return std::nullopt;
    return copy;
}

protected_folder_c::~protected_folder_c() {
    if (path_.empty()) return;
    // A program the package started may still hold a file: then the next run removes it.
    remove_tree(path_);
}
