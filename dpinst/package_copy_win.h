// Copying a checked package into another folder: its INF, its catalog when present, and every
// source file at its place relative to the INF (a file from outside the package folder goes to
// the top).
#pragma once

#include "dpinst/driver_package_win.h"

#include <string>

// With inf_bytes the INF is written from them instead of copied. False with the reason at the
// first file that cannot be written.
bool copy_package(const package_facts_c& facts, const std::wstring& destination, const std::string* inf_bytes,
                  std::wstring& reason);

bool read_whole_file(const std::wstring& path, std::string& bytes);
