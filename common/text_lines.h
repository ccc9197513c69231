// Reading a text file line by line, however long its lines.
#pragma once

#include <cstdio>
#include <string>

// The next whole line without its line end ("\n"; a "\r" before it stays); false at the end.
bool read_text_line(std::FILE* file, std::string& line);
