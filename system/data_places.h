// Where the program keeps what it writes: downloaded packages, driver backups, "backup.xml" and
// "setup.dat". A copy run from a folder its user can write to, outside the system's program
// folders (a portable copy), keeps them beside itself, as it always has. An installed copy cannot:
// a standard user may not write to Program Files, and Windows gives a program that declares itself
// aware of that no virtual store. It keeps them in the user's own profile, under
// "%LOCALAPPDATA%\Vantorel".
#pragma once

#include <string>
#include <vector>

struct data_places_c {
    std::wstring program_folder;   // the folder they were chosen for
    std::wstring folder;           // "backup.xml" and "setup.dat"
    std::wstring download_folder;  // the download folder until the user chooses another
    std::wstring backup_folder;    // the backup folder until the user chooses another
    bool beside_program = false;   // everything in the program folder (a portable copy)
};

// The places for a program in program_folder. Without the profile's folder (local_app_data empty)
// the program folder is all there is.
data_places_c choose_data_places(const std::wstring& program_folder, bool program_folder_writable,
                                 const std::vector<std::wstring>& system_program_folders,
                                 const std::wstring& local_app_data);

// Whether a full path (no "." or ".." parts left) is the folder or lies inside it, compared as
// Windows compares paths: letter case, "\" or "/" and trailing separators aside.
bool path_inside(const std::wstring& path, const std::wstring& folder);
