// What choosing an installer needs to know of the unpacked files; tests put a fake in its place.
#pragma once

#include <string>
#include <vector>

class unpacked_files_c {
public:
    virtual ~unpacked_files_c() = default;
    virtual bool is_directory(const std::wstring& path) const = 0;
    virtual bool file_exists(const std::wstring& path) const = 0;
    // The names of the programs (*.exe) directly in a folder, in the order the file system
    // lists them.
    virtual std::vector<std::wstring> programs_in(const std::wstring& folder) const = 0;
    // Deletes the web pages (*.htm) directly in a folder, not in its sub-folders.
    virtual void remove_pages(const std::wstring& folder) const = 0;
    // Whether the INF's model lines for this PC name the ID, as a hardware or compatible ID,
    // without regard to case; true where it cannot be told (no such file, no [Manufacturer], no
    // model line for this PC).
    virtual bool inf_names_id(const std::wstring& /*inf_path*/, const std::wstring& /*id*/) const { return true; }
};

// The files on disk.
const unpacked_files_c& disk_files();
