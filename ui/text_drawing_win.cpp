#include "ui/text_drawing_win.h"

#include "ui/gdi_objects_win.h"
#include "ui/word_wrap.h"

#include <map>

namespace {

class gdi_measure_c final : public text_measure_c {
public:
    explicit gdi_measure_c(HDC dc) : dc_(dc) {
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        average_ = metrics.tmAveCharWidth;
        height_ = metrics.tmHeight;
    }
    int width(wchar_t character) const override {
        auto found = widths_.find(character);
        if (found != widths_.end()) return found->second;
        SIZE size{};
        GetTextExtentPoint32W(dc_, &character, 1, &size);
        widths_[character] = size.cx;
        return size.cx;
    }
    // Characters of one font share its cell height (the font's fallbacks are drawn in it too).
    int height(wchar_t) const override { return height_; }
    int average_width() const override { return average_; }

private:
    HDC dc_;
    int average_ = 0;
    int height_ = 0;
    mutable std::map<wchar_t, int> widths_;
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
    int tab_stop = 8 * metrics.average_width();
    for (const auto& line : lines) {
        if (y + line.height > rect.bottom) break;
        TabbedTextOutW(dc, rect.left, y, text.c_str() + line.begin, int(line.length), 1, &tab_stop, rect.left);
        y += line.height + spacing;
    }
}

void draw_text(HDC dc, const std::wstring& text, RECT rect, HFONT font, COLORREF colour, UINT format) {
    selection_c selected(dc, font);
    int mode = SetBkMode(dc, TRANSPARENT);
    COLORREF previous = SetTextColor(dc, colour);
    DrawTextW(dc, text.c_str(), int(text.size()), &rect, format | DT_NOPREFIX);
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
