// Where the system keeps the INF files of installed drivers: %SystemRoot%\inf, the folder a driver
// key's InfPath ("oem12.inf") is relative to.
#pragma once

#include <string>

// The INF's full path; empty when the system folder cannot be read or the name is empty.
std::wstring installed_inf_path(const wchar_t* inf_name);
