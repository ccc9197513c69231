// The platform half of the zip writer: creating an archive by its UTF-16 path, and a file's
// last-write time as zip archives keep it (a DOS date and time in local time).
#pragma once

#include <cstdint>
#include <string>

void* create_zip_archive(const std::wstring& path);  // minizip's zipFile, or null
std::uint32_t dos_time_of_file(const std::wstring& path);  // 0 when it cannot be read
