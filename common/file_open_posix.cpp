#include "common/file_open.h"

#include "common/text_convert.h"

std::FILE* open_file(const std::wstring& path, const char* mode) { return std::fopen(wide_to_utf8(path).c_str(), mode); }

bool remove_file(const std::wstring& path) { return std::remove(wide_to_utf8(path).c_str()) == 0; }
