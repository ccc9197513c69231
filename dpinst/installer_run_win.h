// A whole run of the installer, from the command line's arguments (without the program path) to
// the exit code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

std::uint32_t run_installer(const std::vector<std::wstring>& arguments);
