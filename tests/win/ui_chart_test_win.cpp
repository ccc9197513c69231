// The pie chart drawn with GDI+: labels in a font that exists even where GDI+ lists no
// "Verdana", slices in their colours, and a single slice labelled 100.00%.
#include "tests/win/ui_test_support_win.h"
#include "ui/kit/gdiplus_session_win.h"
#include "ui/kit/gdiplus_win.h"
#include "ui/kit/pie_chart_win.h"
#include "ui/kit/window_base_win.h"

#include <gtest/gtest.h>

namespace {

class chart_host_c : public window_base_c {
public:
    bool make() {
        register_class(L"VantorelChartHost", GetModuleHandleW(nullptr));
        return create(L"VantorelChartHost", L"chart", WS_POPUP | WS_VISIBLE, 100, 100, 260, 140) != nullptr;
    }

protected:
    bool on_message(UINT, WPARAM, LPARAM, LRESULT&) override { return false; }
};

int dark_pixels(const window_pixels_c& pixels, RECT area) {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            COLORREF c = pixels.at(x, y);
            if (GetRValue(c) < 90 && GetGValue(c) < 100 && GetBValue(c) < 130) ++count;
        }
    return count;
}

}  // namespace

TEST(ui_pie_chart_window, the_label_font_exists_where_gdiplus_lacks_the_family) {
    gdiplus_session_c gdiplus;
    ASSERT_TRUE(gdiplus.started());
    HDC screen = GetDC(nullptr);
    auto font = make_label_font(screen, L"Verdana", 8, false);
    ReleaseDC(nullptr, screen);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->GetLastStatus(), Gdiplus::Ok);
    EXPECT_TRUE(font->IsAvailable());
    Gdiplus::FontFamily family;
    EXPECT_EQ(font->GetFamily(&family), Gdiplus::Ok);
    EXPECT_TRUE(family.IsAvailable());
}

TEST(ui_pie_chart_window, slices_show_in_their_colours_with_their_labels) {
    gdiplus_session_c gdiplus;
    chart_host_c host;
    ASSERT_TRUE(host.make());
    pie_chart_c chart;
    ASSERT_TRUE(chart.create_chart(host.handle(), 0, 0, 228, 109));
    chart.set_background(RGB(255, 255, 255));
    chart.set_inclination(35.0);
    chart.set_second_angle(50.0);
    chart.set_pie_rectangle(RECT{60, 20, 165, 100});
    EXPECT_FALSE(chart.add_slice(L"none", L"No driver", 0, RGB(203, 144, 9)));
    EXPECT_TRUE(chart.add_slice(L"ok", L"Up to date", 1, RGB(56, 173, 0)));
    UpdateWindow(chart.handle());
    EXPECT_TRUE(pump_until_painted(host.handle()));
    window_pixels_c pixels = capture_window(chart.handle());
    EXPECT_TRUE(colour_near(pixels.at(5, 5), RGB(255, 255, 255), 2));
    // Inside the pie away from the label: the slice's colour (between its light and full tone).
    COLORREF inside = pixels.at(80, 70);
    EXPECT_GT(GetGValue(inside), GetRValue(inside) + 40);
    EXPECT_GT(GetGValue(inside), GetBValue(inside) + 40);
    // The one label, 100.00%, is drawn.
    EXPECT_EQ(chart.model().slices().size(), 1u);
    // At the middle angle: 180 degrees turned by the second angle, 50, so up and left of the centre.
    EXPECT_GT(dark_pixels(pixels, RECT{40, 15, 135, 55}), 15);

    chart.clear();
    EXPECT_TRUE(chart.add_slice(L"out", L"Out of date", 3, RGB(217, 64, 58)));
    EXPECT_TRUE(chart.add_slice(L"ok", L"Up to date", 1, RGB(56, 173, 0)));
    UpdateWindow(chart.handle());
    EXPECT_TRUE(pump_until_painted(host.handle()));
    pixels = capture_window(chart.handle());
    COLORREF red = pixels.at(100, 80);  // the first three quarters run from 50 to 320 degrees
    EXPECT_GT(GetRValue(red), GetGValue(red) + 60);

    // Two halves (one driver out of date, one up to date): Wine's arc code once overflowed the
    // stack on this one.
    chart.clear();
    EXPECT_TRUE(chart.add_slice(L"out", L"Out of date", 1, RGB(217, 64, 58)));
    EXPECT_TRUE(chart.add_slice(L"ok", L"Up to date", 1, RGB(56, 173, 0)));
    UpdateWindow(chart.handle());
    EXPECT_TRUE(pump_until_painted(host.handle()));
    pixels = capture_window(chart.handle());
    EXPECT_GT(GetRValue(pixels.at(80, 70)), GetGValue(pixels.at(80, 70)) + 60);
    DestroyWindow(host.handle());
}
