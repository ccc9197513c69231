// The data places of this program on this PC (data_places.h), and the folders in them made ready
// for writing.
#pragma once

#include "system/data_places.h"

#include <string>

// Decides once per process, from the program's folder: the system's program folders, whether
// this user can write to the program folder, and the user's "%LOCALAPPDATA%".
const data_places_c& data_places();

// The path made absolute as Windows resolves it ("." and ".." parts gone, short names made long
// where the path exists); the path itself when that fails.
std::wstring full_path(const std::wstring& path);

// Creates the folder with all its missing parents and checks that this user can write to it:
// 0 when it can be used, else the system's error code (ERROR_ACCESS_DENIED for a folder that
// exists but is read-only to this user).
unsigned long prepare_folder(const std::wstring& folder);

// The system's description of an error code, in the system's language, without a line end.
std::wstring system_error_text(unsigned long error);
