#include "download/zip_platform.h"

#include "common/kernel_handle_win.h"

// iowin32.h uses the declarations of unzip.h (through ioapi.h) without including them.
#include <minizip/unzip.h>
// (keep this order)
#include <minizip/iowin32.h>

void* open_zip_archive(const std::wstring& path) {
    zlib_filefunc64_def functions{};
    // The wide variant takes the path as UTF-16, so no code page stands between it and the file.
    fill_win32_filefunc64W(&functions);
    return unzOpen2_64(path.c_str(), &functions);
}

void set_file_time_from_dos(const std::wstring& path, std::uint32_t dos_date_time) {
    FILETIME local{}, utc{};
    if (!DosDateTimeToFileTime(WORD(dos_date_time >> 16), WORD(dos_date_time & 0xFFFF), &local) ||
        !LocalFileTimeToFileTime(&local, &utc))
        return;
    kernel_handle_c file = file_handle(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.valid()) SetFileTime(file.get(), &utc, nullptr, &utc);
}
