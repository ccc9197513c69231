// An INF's text as lines for rewriting, whatever its encoding: UTF-16 little-endian with its byte
// order mark, or 8-bit text kept byte for byte (one unit per byte). The rewrites look only at the
// INF's ASCII syntax, which reads the same in every 8-bit code page and in UTF-8.
#pragma once

#include <string>
#include <vector>

struct inf_text_c {
    bool utf16 = false;
    std::string byte_order_mark;        // as it was, kept out of the first line
    std::vector<std::u16string> lines;  // each with its line end, when it has one
};

inf_text_c split_inf_text(const std::string& bytes);
std::string join_inf_text(const inf_text_c& text);

// The line without its comment (from a ";" outside quotes) and line end, trimmed of blanks.
std::u16string inf_line_content(const std::u16string& line);
// ASCII letters compared without regard to case.
bool same_inf_name(const std::u16string& a, const std::u16string& b);
std::u16string inf_units(const std::string& ascii);
