// Facts about this machine gathered once at start-up and read-only afterwards: the Windows
// version and its OS code, whether Windows is 64-bit, the OEM code page, the program's own path
// and folder. Windows only.
#pragma once

#include "system/os_code.h"

#include <string>

// What could not be read; the caller tells it (start-up as its failure code).
enum class basic_facts_problem_c { none, os_version, power_status };

// Reads the OS version, the power status, the OEM code page, the processor architecture and
// the program's path and folder. False, with the problem, when the version or the power status
// cannot be read.
bool collect_basic_facts(basic_facts_problem_c* problem = nullptr);

const os_version_c& os_version();
const char* os_code();
int os_version_number();
bool is_64bit_windows();
// The machine's processor (true also on an ARM64 machine, where this program runs emulated).
processor_machine_c system_machine();
unsigned oem_code_page();
// The full path of the program file, as the system reports it.
const std::wstring& program_path();
// The current directory (the program folder once start-up has made it so), with a backslash.
const std::wstring& program_folder();
