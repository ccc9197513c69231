#include "backup/zip_writer_platform.h"

#include "common/text_convert.h"

#include <minizip/zip.h>

#include <cstdio>
#include <ctime>
#include <sys/stat.h>

namespace {

// As the standard functions open files, but a new archive is readable too ("w+b", not "wb").
voidpf ZCALLBACK open_readable(voidpf, const void* name, int mode) {
    const bool create = (mode & ZLIB_FILEFUNC_MODE_CREATE) != 0;
    const bool read_only = (mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) == ZLIB_FILEFUNC_MODE_READ;
    return name ? std::fopen(static_cast<const char*>(name), create ? "w+b" : read_only ? "rb" : "r+b") : nullptr;
}

}  // namespace

void fill_archive_functions(zlib_filefunc64_def& functions) {
    fill_fopen64_filefunc(&functions);
    functions.zopen64_file = open_readable;
}

void* create_zip_archive(const std::wstring& path, zlib_filefunc64_def& functions) {
    const std::string name = wide_to_utf8(path);
    return zipOpen2_64(name.c_str(), APPEND_STATUS_CREATE, nullptr, &functions);
}

std::uint32_t dos_time_of_file(const std::wstring& path) {
    struct stat status {};
    if (::stat(wide_to_utf8(path).c_str(), &status) != 0) return 0;
    std::tm local{};
    if (!localtime_r(&status.st_mtime, &local) || local.tm_year < 80) return 0;
    return std::uint32_t(local.tm_year - 80) << 25 | std::uint32_t(local.tm_mon + 1) << 21 |
           std::uint32_t(local.tm_mday) << 16 | std::uint32_t(local.tm_hour) << 11 | std::uint32_t(local.tm_min) << 5 |
           std::uint32_t(local.tm_sec / 2);
}
