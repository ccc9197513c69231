// The pie chart control: a tilted three-dimensional pie of named slices with their percentages,
// drawn with GDI+ (which the application starts) into an off-screen bitmap. Every setter repaints.
#pragma once

#include "ui/kit/pie_chart_model.h"
#include "ui/kit/window_base_win.h"

#include <memory>
#include <string>

namespace Gdiplus {
class Font;
}

class pie_chart_c : public window_base_c {
public:
    pie_chart_c();
    ~pie_chart_c() override;

    bool create_chart(HWND parent, int x, int y, int width, int height);

    void set_background(COLORREF colour);
    void set_inclination(double degrees);
    void set_second_angle(double degrees);
    void set_pie_rectangle(RECT rectangle);
    void clear();
    bool add_slice(const std::wstring& name, const std::wstring& text, double value, COLORREF colour);

    const pie_chart_model_c& model() const { return model_; }

protected:
    bool on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    void on_paint();
    void repaint();
    LRESULT on_get_object(WPARAM wparam, LPARAM lparam);

    pie_chart_model_c model_;
    COLORREF background_ = RGB(255, 255, 255);
    double second_angle_ = 50.0;
    RECT pie_{60, 20, 165, 100};
    int legend_scroll_ = 0;
    std::wstring label_face_ = L"Verdana";
};

// A GDI+ font for the face: by family name where GDI+ knows it, else the same face through a
// LOGFONT (GDI's font mapping, as under Wine where GDI+ lists no "Verdana"), else the generic
// sans serif. Never a font that is not available.
std::unique_ptr<Gdiplus::Font> make_label_font(HDC dc, const std::wstring& face, float points, bool bold);
