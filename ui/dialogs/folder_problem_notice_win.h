// Says, in the user's language and with the system's reason, which folder of the settings cannot
// be used: at start-up for the folders the settings name, in the settings dialog for one typed in.
#pragma once

#include <windows.h>

#include <string>

// The text for a folder that cannot be used, with the system's reason for the error code.
std::wstring folder_problem_text(const std::wstring& folder, unsigned long error);

// One message box, owned by owner, for each folder that loading the settings could not use.
void tell_folder_problems(HWND owner);
