// Opening and removing files named by UTF-16 paths, the program's own form of a path.
#pragma once

#include <cstdio>
#include <string>

std::FILE* open_file(const std::wstring& path, const char* mode);
bool remove_file(const std::wstring& path);
