#include "common/text_lines.h"

bool read_text_line(std::FILE* file, std::string& line) {
    line.clear();
    char chunk[1024];
    while (std::fgets(chunk, sizeof chunk, file)) {
        line += chunk;
        if (line.back() == '\n') return line.pop_back(), true;
    }
    return !line.empty();
}
