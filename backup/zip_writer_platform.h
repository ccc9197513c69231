// The platform half of the zip writer: the file functions an archive is written through (by its
// UTF-16 path, readable while it is open), and a file's last-write time as zip archives keep it
// (a DOS date and time in local time).
#pragma once

#include <minizip/ioapi.h>

#include <cstdint>
#include <string>

void fill_archive_functions(zlib_filefunc64_def& functions);
// minizip's zipFile for a new archive at the path, written through the functions; or null.
void* create_zip_archive(const std::wstring& path, zlib_filefunc64_def& functions);
std::uint32_t dos_time_of_file(const std::wstring& path);  // 0 when it cannot be read
