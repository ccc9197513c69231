// The word-wrap rule of the skinned windows, apart from any drawing: walk the characters adding
// each one's width (a tab reaches the next stop, every 8 average characters); when the sum passes
// the column width, or at a line feed, the line breaks after the last space, tab or line feed at
// or before that point, or at that point when there is none. A line is as tall as its tallest
// character.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

class text_measure_c {
public:
    virtual ~text_measure_c() = default;
    virtual int width(wchar_t character) const = 0;
    virtual int height(wchar_t character) const = 0;
    virtual int average_width() const = 0;
};

struct wrapped_line_c {
    std::size_t begin = 0;
    std::size_t length = 0;  // without the space or line feed the line broke at
    int height = 0;
};

std::vector<wrapped_line_c> wrap_lines(std::wstring_view text, int column_width, const text_measure_c& measure);

// The height of the wrapped lines with spacing pixels between them (0 for no lines).
int wrapped_height(const std::vector<wrapped_line_c>& lines, int spacing);
