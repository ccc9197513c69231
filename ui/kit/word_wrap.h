// The word-wrap rule of the skinned windows, apart from any drawing: walk the text adding the
// width of its runs (a tab reaches the next stop, every 8 average characters); when the sum passes
// the column width, or at a line feed, the line breaks after the last space, tab or line feed at
// or before that point, or at that point when there is none.
//
// Runs between tabs are measured whole, never a character at a time: joined letters (Arabic takes
// another shape for a letter inside a word than alone) and kerning are as wide as they are drawn.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

class text_measure_c {
public:
    virtual ~text_measure_c() = default;
    // The widths of the run's beginnings, each measured as one piece: entry i is the width of
    // the run's first i + 1 characters. Never asked for an empty run.
    virtual std::vector<int> extents(std::wstring_view run) const = 0;
    // The height of a line that holds the run (empty for an empty line).
    virtual int height(std::wstring_view run) const = 0;
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
