#include "common/file_open.h"

#include "common/text_convert.h"
#include "common/kernel_handle_win.h"

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <io.h>
#include <system_error>

std::FILE* open_file(const std::wstring& path, const char* mode) {
    return _wfopen(path.c_str(), utf8_to_wide(mode).c_str());
}

bool remove_file(const std::wstring& path) { return _wremove(path.c_str()) == 0; }

bool file_exists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::uint64_t> file_size(const std::wstring& path) {
    // A download worker may be writing the file right now: share it for reading and writing.
    kernel_handle_c opened = file_handle(CreateFileW(path.c_str(), GENERIC_READ,
                                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!opened.valid() || !GetFileSizeEx(opened.get(), &size)) return std::nullopt;
    return std::uint64_t(size.QuadPart);
}

bool truncate_file(std::FILE* file, std::uint64_t size) {
    return std::fflush(file) == 0 && _chsize_s(_fileno(file), static_cast<long long>(size)) == 0 &&
           _fseeki64(file, 0, SEEK_END) == 0;
}

bool replace_file(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool create_folders(const std::wstring& path) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path), ignored);
    return std::filesystem::is_directory(std::filesystem::path(path), ignored);
}

bool flush_to_disk(std::FILE* file) { return std::fflush(file) == 0 && _commit(_fileno(file)) == 0; }
