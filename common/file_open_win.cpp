#include "common/file_open.h"

#include "common/text_convert.h"

#include <cstdio>

std::FILE* open_file(const std::wstring& path, const char* mode) {
    return _wfopen(path.c_str(), utf8_to_wide(mode).c_str());
}

bool remove_file(const std::wstring& path) { return _wremove(path.c_str()) == 0; }
