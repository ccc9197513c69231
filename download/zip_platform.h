// The platform half of the zip reader: opening an archive by its UTF-16 path, and the entry's
// time on the unpacked file.
#pragma once

#include <cstdint>
#include <string>

// minizip's unzFile for the archive, or null.
void* open_zip_archive(const std::wstring& path);

// Sets the file's creation and last-write times from an entry's DOS date and time, which zip
// archives keep in local time.
void set_file_time_from_dos(const std::wstring& path, std::uint32_t dos_date_time);
