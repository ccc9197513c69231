#include "common/file_open.h"

#include "common/text_convert.h"

#include <filesystem>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

std::FILE* open_file(const std::wstring& path, const char* mode) { return std::fopen(wide_to_utf8(path).c_str(), mode); }

bool remove_file(const std::wstring& path) { return std::remove(wide_to_utf8(path).c_str()) == 0; }

bool file_exists(const std::wstring& path) {
    struct stat status {};
    return ::stat(wide_to_utf8(path).c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::optional<std::uint64_t> file_size(const std::wstring& path) {
    std::FILE* file = open_file(path, "rb");
    if (!file) return std::nullopt;
    struct stat status {};
    const bool known = ::fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode);
    std::fclose(file);
    if (!known) return std::nullopt;
    return std::uint64_t(status.st_size);
}

bool truncate_file(std::FILE* file, std::uint64_t size) {
    return std::fflush(file) == 0 && ::ftruncate(fileno(file), off_t(size)) == 0 && fseeko(file, 0, SEEK_END) == 0;
}

bool replace_file(const std::wstring& from, const std::wstring& to) {
    return std::rename(wide_to_utf8(from).c_str(), wide_to_utf8(to).c_str()) == 0;
}

bool create_folders(const std::wstring& path) {
    std::error_code ignored;
    const auto folder = std::filesystem::u8path(wide_to_utf8(path));
    std::filesystem::create_directories(folder, ignored);
    return std::filesystem::is_directory(folder, ignored);
}

bool flush_to_disk(std::FILE* file) { return std::fflush(file) == 0 && ::fsync(fileno(file)) == 0; }
