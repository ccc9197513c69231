// Opening, measuring, cutting, renaming and removing files named by UTF-16 paths, the program's
// own form of a path.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

std::FILE* open_file(const std::wstring& path, const char* mode);
bool remove_file(const std::wstring& path);

// True when a file (not a folder) has this path.
bool file_exists(const std::wstring& path);

// The size of a file opened for reading while others may write it; nothing when it cannot be
// opened.
std::optional<std::uint64_t> file_size(const std::wstring& path);

// Cuts an open file back to size bytes (pending output is written first) and leaves the position
// at its new end.
bool truncate_file(std::FILE* file, std::uint64_t size);

// Creates a folder with all missing parents; true when it exists afterwards.
bool create_folders(const std::wstring& path);

// Writes the bytes to "<path>.tmp", flushes them to the disk and renames that over the path, so
// the file holds the old or the new bytes, never a part. False (the old file untouched) when any
// step fails.
bool write_file_atomically(const std::wstring& path, const std::string& bytes);

// Pending output of an open file, through to the disk.
bool flush_to_disk(std::FILE* file);

// The same for a closed file that another writer made (minizip's archives): opened for writing
// again and flushed. False when it cannot be opened or flushed.
bool flush_file_to_disk(const std::wstring& path);

// Renames a file, replacing a file that already has the new name.
bool replace_file(const std::wstring& from, const std::wstring& to);
