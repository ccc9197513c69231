#include "backup/zip_writer_platform.h"

#include "common/kernel_handle_win.h"

// iowin32.h uses the declarations of zip.h (through ioapi.h) without including them.
#include <minizip/zip.h>
// (keep this order)
#include <minizip/iowin32.h>

// A new archive is opened for reading and writing, shared with nobody while it is open.
void fill_archive_functions(zlib_filefunc64_def& functions) { fill_win32_filefunc64W(&functions); }

void* create_zip_archive(const std::wstring& path, zlib_filefunc64_def& functions) {
    return zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &functions);
}

std::uint32_t dos_time_of_file(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    FILETIME local{};
    WORD date = 0, time = 0;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToDosDateTime(&local, &date, &time))
        return 0;
    return (std::uint32_t(date) << 16) | time;
}
