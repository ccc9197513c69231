#include "download/zip_platform.h"

#include "common/text_convert.h"

#include <ctime>

#include <minizip/ioapi.h>
#include <minizip/unzip.h>
#include <utime.h>

void* open_zip_archive(const std::wstring& path) {
    zlib_filefunc64_def functions{};
    fill_fopen64_filefunc(&functions);
    const std::string name = wide_to_utf8(path);
    return unzOpen2_64(name.c_str(), &functions);
}

void set_file_time_from_dos(const std::wstring& path, std::uint32_t dos_date_time) {
    std::tm local{};
    local.tm_year = int((dos_date_time >> 25) & 0x7F) + 80;
    local.tm_mon = int((dos_date_time >> 21) & 0x0F) - 1;
    local.tm_mday = int((dos_date_time >> 16) & 0x1F);
    local.tm_hour = int((dos_date_time >> 11) & 0x1F);
    local.tm_min = int((dos_date_time >> 5) & 0x3F);
    local.tm_sec = int(dos_date_time & 0x1F) * 2;
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    if (when == std::time_t(-1)) return;
    utimbuf times{when, when};
    ::utime(wide_to_utf8(path).c_str(), &times);
}
