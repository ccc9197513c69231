#include "common/file_create.h"

#include "common/kernel_handle_win.h"

#include <fcntl.h>
#include <io.h>

namespace {

// Hands an open handle over to a C stream; the stream then owns it.
std::FILE* file_of(kernel_handle_c opened, int flags, const char* mode) {
    if (!opened.valid()) return nullptr;
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(opened.get()), flags);
    if (descriptor < 0) return nullptr;
    opened.release();
    std::FILE* file = _fdopen(descriptor, mode);
    if (!file) _close(descriptor);
    return file;
}

constexpr DWORD read_write = GENERIC_READ | GENERIC_WRITE;
// As the C library shares the files it opens: others may read (the download page measures a
// partial file while it grows).
constexpr DWORD shared = FILE_SHARE_READ | FILE_SHARE_WRITE;
// A reparse point is opened itself, so that it can be told and refused, never followed.
constexpr DWORD no_follow = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;

}  // namespace

std::FILE* create_new_file(const std::wstring& path) {
    return file_of(file_handle(CreateFileW(path.c_str(), read_write, shared, nullptr, CREATE_NEW, no_follow,
                                           nullptr)),
                   _O_RDWR | _O_BINARY, "w+b");
}

std::FILE* replace_with_new_file(const std::wstring& path) {
    // DeleteFileW removes a symbolic link itself, not its target.
    if (!DeleteFileW(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) return nullptr;
    return create_new_file(path);
}

std::FILE* open_file_for_update(const std::wstring& path) {
    kernel_handle_c opened = file_handle(
        CreateFileW(path.c_str(), read_write, shared, nullptr, OPEN_EXISTING, no_follow, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!opened.valid() || !GetFileInformationByHandle(opened.get(), &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
        information.nNumberOfLinks != 1)
        return nullptr;
    return file_of(std::move(opened), _O_RDWR | _O_BINARY, "r+b");
}

bool create_new_folder(const std::wstring& path) { return CreateDirectoryW(path.c_str(), nullptr) != 0; }

namespace {

bool remove_entry(const std::wstring& path, DWORD attributes);

bool remove_below(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    HANDLE listing = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (listing == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    bool removed = true;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        removed = remove_entry(folder + L"\\" + name, found.dwFileAttributes) && removed;
    } while (FindNextFileW(listing, &found));
    FindClose(listing);
    return removed;
}

bool remove_entry(const std::wstring& path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileW(path.c_str()) != 0;
    // A junction or a linked folder goes itself; what it points to stays.
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return RemoveDirectoryW(path.c_str()) != 0;
    remove_below(path);
    return RemoveDirectoryW(path.c_str()) != 0;
}

}  // namespace

bool remove_tree(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_FILE_NOT_FOUND;
    return remove_entry(path, attributes);
}

std::optional<std::uint64_t> free_disk_space(const std::wstring& path) {
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(path.c_str(), &available, nullptr, nullptr)) return std::nullopt;
    return std::uint64_t(available.QuadPart);
}
