// Creating files and folders where others may write too: a download folder, an unpack folder, a
// backup folder, written by a program that may run elevated. Nothing here follows a reparse point
// (a junction or a symbolic link) or a second hard link planted in place of a file, and a file
// that is meant to be new is never one that was there before.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

// Creates the file, which must not exist yet (not even as a dangling link), for reading and
// writing. Null when it exists or cannot be created.
std::FILE* create_new_file(const std::wstring& path);

// Removes whatever has the name (a link itself, never what it points to), then creates the file
// new. Null when the old one cannot be removed or the new one cannot be created.
std::FILE* replace_with_new_file(const std::wstring& path);

// Opens an existing plain file for reading and writing, positioned at its start. Null when it is
// missing, a folder, a reparse point or a link, or has a second name elsewhere.
std::FILE* open_file_for_update(const std::wstring& path);

// Creates one folder that does not exist yet (its parent must exist). False when anything has the
// name already, or it cannot be created.
bool create_new_folder(const std::wstring& path);

// Removes a folder and everything below it. A link or junction inside is removed itself, never
// entered. True when the folder is gone.
bool remove_tree(const std::wstring& path);

// The bytes the caller may still write on the volume that holds the path; nothing when unknown.
std::optional<std::uint64_t> free_disk_space(const std::wstring& path);
