#include "ui/kit/text_drawing_win.h"

#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/reading_direction_win.h"
#include "ui/kit/word_wrap.h"

#include <string_view>
#include <vector>

namespace {

// Measures runs of the font selected in the device context, each as one piece: Windows shapes the
// run (joined Arabic letters take the width of their joined forms).
class gdi_measure_c final : public text_measure_c {
public:
    explicit gdi_measure_c(HDC dc) : dc_(dc) {
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        average_ = metrics.tmAveCharWidth;
        height_ = metrics.tmHeight;
    }
    std::vector<int> extents(std::wstring_view run) const override {
        std::vector<int> widths(run.size());
        SIZE size{};
        if (!run.empty() &&
            !GetTextExtentExPointW(dc_, run.data(), int(run.size()), 0, nullptr, widths.data(), &size))
            widths.assign(run.size(), 0);
        return widths;
    }
    // Every line of one font has its cell height (the font's fallbacks are drawn in it too).
    int height(std::wstring_view) const override { return height_; }
    int average_width() const override { return average_; }

private:
    HDC dc_;
    int average_ = 0;
    int height_ = 0;
};

}  // namespace

void draw_wrapped_text(HDC dc, const std::wstring& text, RECT& rect, int spacing, bool measure) {
    gdi_measure_c metrics(dc);
    auto lines = wrap_lines(text, rect.right - rect.left, metrics);
    if (measure) {
        rect.bottom = rect.top + wrapped_height(lines, spacing);
        return;
    }
    int y = rect.top;
    // Every line in the reading order of the whole text (DT_RTLREADING for right-to-left text);
    // DrawText's tabs stop every 8 average characters, as the wrap counted them.
    UINT format = reading_format(text, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_EXPANDTABS | DT_NOPREFIX | DT_NOCLIP);
    for (const auto& line : lines) {
        if (y + line.height > rect.bottom) break;
        RECT line_rect = {rect.left, y, rect.right, y + line.height};
        DrawTextW(dc, text.c_str() + line.begin, int(line.length), &line_rect, format);
        y += line.height + spacing;
    }
}

void draw_text(HDC dc, const std::wstring& text, RECT rect, HFONT font, COLORREF colour, UINT format) {
    selection_c selected(dc, font);
    int mode = SetBkMode(dc, TRANSPARENT);
    COLORREF previous = SetTextColor(dc, colour);
    DrawTextW(dc, text.c_str(), int(text.size()), &rect, reading_format(text, format | DT_NOPREFIX));
    SetTextColor(dc, previous);
    SetBkMode(dc, mode);
}

void draw_text_at(HDC dc, const std::wstring& text, int x, int y, HFONT font, COLORREF colour) {
    RECT rect = {x, y, x + 4000, y + 400};
    draw_text(dc, text, rect, font, colour, DT_LEFT | DT_TOP | DT_SINGLELINE);
}

SIZE text_size(HDC dc, const std::wstring& text, HFONT font) {
    selection_c selected(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size);
    return size;
}

void draw_text_ending_at(HDC dc, const std::wstring& text, int x, int y, HFONT font, COLORREF colour) {
    selection_c selected(dc, font);
    int mode = SetBkMode(dc, TRANSPARENT);
    COLORREF previous = SetTextColor(dc, colour);
    bool right_to_left = (reading_format(text, 0) & DT_RTLREADING) != 0;
    UINT align = SetTextAlign(dc, TA_RIGHT | TA_TOP | TA_NOUPDATECP | (right_to_left ? TA_RTLREADING : 0));
    ExtTextOutW(dc, x, y, right_to_left ? ETO_RTLREADING : 0, nullptr, text.c_str(), UINT(text.size()), nullptr);
    SetTextAlign(dc, align);
    SetTextColor(dc, previous);
    SetBkMode(dc, mode);
}
