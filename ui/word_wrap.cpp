#include "ui/word_wrap.h"

#include <algorithm>

namespace {

bool is_break(wchar_t character) { return character == L' ' || character == L'\t' || character == L'\n'; }

int advance(wchar_t character, int x, const text_measure_c& measure) {
    if (character != L'\t') return measure.width(character);
    int stop = std::max(1, 8 * measure.average_width());
    return (x / stop + 1) * stop - x;
}

}  // namespace

std::vector<wrapped_line_c> wrap_lines(std::wstring_view text, int column_width, const text_measure_c& measure) {
    std::vector<wrapped_line_c> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        int x = 0;
        std::size_t last_break = std::wstring_view::npos;
        std::size_t end = text.size();  // the line's end (exclusive)
        std::size_t next = text.size();  // where the next line begins
        for (std::size_t i = begin; i < text.size(); ++i) {
            wchar_t character = text[i];
            if (character == L'\n') {
                end = i;
                next = i + 1;
                break;
            }
            x += advance(character, x, measure);
            if (is_break(character)) last_break = i;  // "at or before" the point that overflows
            if (x > column_width) {
                if (last_break != std::wstring_view::npos) {
                    end = last_break;
                    next = last_break + 1;
                } else {
                    end = std::max(i, begin + 1);  // at least one character a line
                    next = end;
                }
                break;
            }
        }
        wrapped_line_c line;
        line.begin = begin;
        line.length = end - begin;
        for (std::size_t i = begin; i < end; ++i) line.height = std::max(line.height, measure.height(text[i]));
        if (line.height == 0) line.height = measure.height(L' ');
        lines.push_back(line);
        begin = next;
    }
    return lines;
}

int wrapped_height(const std::vector<wrapped_line_c>& lines, int spacing) {
    int height = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) height += lines[i].height + (i ? spacing : 0);
    return height;
}
