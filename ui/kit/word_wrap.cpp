#include "ui/kit/word_wrap.h"

#include <algorithm>

namespace {

constexpr std::size_t no_overflow = std::wstring_view::npos;

bool is_wrap_break(wchar_t character) { return character == L' ' || character == L'\t' || character == L'\n'; }

// Closing punctuation and small kana that Chinese and Japanese never begin a line with.
bool never_starts_a_line(wchar_t character) {
    static constexpr std::wstring_view closing =
        L"\u3001\u3002\uFF0C\uFF0E\uFF1A\uFF1B\uFF1F\uFF01\u30FC\u30FB\uFF09\u3015\uFF3D\uFF5D\u3009\u300B"
        L"\u300D\u300F\u3011\u2019\u201D\u3041\u3043\u3045\u3047\u3049\u3063\u3083\u3085\u3087\u30A1"
        L"\u30A3\u30A5\u30A7\u30A9\u30C3\u30E3\u30E5\u30E7";
    return closing.find(character) != std::wstring_view::npos;
}

// Where a tab at x takes the line: the next stop.
int tab_advance(int x, const text_measure_c& measure) {
    int stop = std::max(1, 8 * measure.average_width());
    return (x / stop + 1) * stop - x;
}

// The first position in [begin, end) whose character ends past the column, or no_overflow. The line
// starts at begin and holds no line feed.
std::size_t overflow_point(std::wstring_view text, std::size_t begin, std::size_t end, int column_width,
                           const text_measure_c& measure) {
    int x = 0;
    std::size_t i = begin;
    while (i < end) {
        if (text[i] == L'\t') {
            x += tab_advance(x, measure);
            if (x > column_width) return i;
            ++i;
            continue;
        }
        std::size_t run_end = std::min(end, text.find(L'\t', i));
        std::vector<int> extents = measure.extents(text.substr(i, run_end - i));
        for (std::size_t k = 0; k < extents.size(); ++k)
            if (x + extents[k] > column_width) return i + k;
        if (!extents.empty()) x += extents.back();
        i = run_end;
    }
    return no_overflow;
}

}  // namespace

std::vector<wrapped_line_c> wrap_lines(std::wstring_view text, int column_width, const text_measure_c& measure) {
    std::vector<wrapped_line_c> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t feed = std::min(text.size(), text.find(L'\n', begin));
        std::size_t end = feed;  // the line's end (exclusive)
        std::size_t next = feed < text.size() ? feed + 1 : feed;  // where the next line begins
        std::size_t over = overflow_point(text, begin, feed, column_width, measure);
        if (over != no_overflow) {
            // The last break at or before the overflowing character.
            std::size_t last_break = std::wstring_view::npos;
            for (std::size_t i = over + 1; i-- > begin;)
                if (is_wrap_break(text[i])) {
                    last_break = i;
                    break;
                }
            if (last_break != std::wstring_view::npos) {
                end = last_break;
                next = last_break + 1;
            } else {
                end = std::max(over, begin + 1);  // at least one character a line
                // A full stop or closing bracket that would begin the next line takes the
                // character before it along.
                while (end > begin + 1 && end < feed && never_starts_a_line(text[end])) --end;
                next = end;
            }
        }
        wrapped_line_c line;
        line.begin = begin;
        line.length = end - begin;
        line.height = measure.height(text.substr(begin, end - begin));
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
