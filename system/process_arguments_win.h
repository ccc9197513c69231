// The process's command line split with the shell's rules (the program path first).
#pragma once

#include <string>
#include <vector>

std::vector<std::wstring> process_arguments();
