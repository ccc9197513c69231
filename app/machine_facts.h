// Facts about this machine gathered once at start-up and read-only afterwards: the Windows
// version and its OS code, whether Windows is 64-bit, the OEM code page, the program's own path
// and folder. Windows only.
#pragma once

#include "app/os_code.h"

#include <string>

// Reads the OS version, the power status, the OEM code page, the processor architecture and
// the program's path and folder. On failure sets last_error to 10 (OS version) or 12 (power
// status) and returns false.
bool collect_basic_facts();

const os_version_c& os_version();
const char* os_code();
int os_version_number();
bool is_64bit_windows();
unsigned oem_code_page();
// The full path of the program file, as the system reports it.
const std::wstring& program_path();
// The current directory (the program folder once start-up has made it so), with a backslash.
const std::wstring& program_folder();
