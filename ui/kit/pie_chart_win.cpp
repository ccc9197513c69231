#include "ui/kit/pie_chart_win.h"

#include "ui/kit/accessible_object_win.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/gdiplus_win.h"
#include "ui/kit/reading_direction_win.h"
#include "ui/kit/screen_scale_win.h"

#include <oleacc.h>

#include <cmath>
#include <vector>

namespace {

constexpr const wchar_t* chart_class = L"VantorelPieChart";
constexpr double pi = 3.14159265358979323846;

Gdiplus::Color argb(std::uint32_t value) { return Gdiplus::Color(Gdiplus::ARGB(value)); }

std::uint32_t from_colorref(COLORREF colour) {
    return 0xFF000000u | (std::uint32_t(GetRValue(colour)) << 16) | (std::uint32_t(GetGValue(colour)) << 8) | GetBValue(colour);
}

bool usable(const Gdiplus::Font& font) {
    if (font.GetLastStatus() != Gdiplus::Ok || !font.IsAvailable()) return false;
    Gdiplus::FontFamily family;
    return font.GetFamily(&family) == Gdiplus::Ok && family.IsAvailable();
}

// The slice's side face on the front half (angles 0 to 180) between its two angles.
void fill_side(Gdiplus::Graphics& graphics, const Gdiplus::RectF& top, float depth, float from, float to,
               const Gdiplus::Color& colour) {
    from = std::max(from, 0.0f);
    to = std::min(to, 180.0f);
    if (to <= from) return;
    Gdiplus::GraphicsPath path;
    path.AddArc(top, from, to - from);
    Gdiplus::RectF bottom = top;
    bottom.Y += depth;
    path.AddArc(bottom, to, from - to);
    path.CloseFigure();
    Gdiplus::SolidBrush brush(colour);
    graphics.FillPath(&brush, &path);
}

// Calls draw(from, sweep) for pieces of at most 90 degrees: Wine's GDI+ overflows its stack
// drawing some larger pie arcs (a half pie starting at 50 degrees, for one).
template <typename draw_t>
void for_pieces(float from, float sweep, draw_t draw) {
    while (sweep > 0.0f) {
        float piece = std::min(sweep, 90.0f);
        draw(from, piece);
        from += piece;
        sweep -= piece;
    }
}

// The point of the ellipse (radii rx, ry) in the direction `radians` from its centre, as GDI+
// measures pie angles: on a flattened ellipse that is not the point of parametric angle radians.
Gdiplus::PointF ellipse_point(Gdiplus::PointF centre, float rx, float ry, double radians) {
    double c = std::cos(radians), s = std::sin(radians);
    double r = double(rx) * ry / std::sqrt(double(ry) * ry * c * c + double(rx) * rx * s * s);
    return Gdiplus::PointF(centre.X + float(r * c), centre.Y + float(r * s));
}

// Where a slice starts on a pie turned by `turn` degrees.
float start_of(const pie_slice_c& slice, float turn) { return std::fmod(slice.start_angle + turn, 360.0f); }

// The slices with a face to draw (an empty one has none, and arcs of no sweep are not drawn
// reliably), the ones farthest from the front first: their sides lie behind the nearer ones.
std::vector<const pie_slice_c*> back_to_front(const std::vector<pie_slice_c>& slices, float turn) {
    std::vector<const pie_slice_c*> order;
    for (const auto& slice : slices)
        if (slice.sweep_angle > 0.0f) order.push_back(&slice);
    auto distance = [turn](const pie_slice_c* s) {
        float middle = std::fmod(start_of(*s, turn) + s->sweep_angle / 2, 360.0f);
        return std::fabs(middle - 90.0f);
    };
    std::sort(order.begin(), order.end(),
              [&distance](const pie_slice_c* a, const pie_slice_c* b) { return distance(a) > distance(b); });
    return order;
}

// The sides of the rim, the tops with their gradient, and the light edges between the slices.
void paint_pie(Gdiplus::Graphics& graphics, const Gdiplus::RectF& top, float depth,
               const std::vector<const pie_slice_c*>& order, float turn) {
    for (const pie_slice_c* slice : order) {
        float from = start_of(*slice, turn), to = from + slice->sweep_angle;
        fill_side(graphics, top, depth, from, to, argb(slice->dark));
        fill_side(graphics, top, depth, from - 360, to - 360, argb(slice->dark));
    }
    for (const pie_slice_c* drawn : order) {
        const pie_slice_c& slice = *drawn;
        Gdiplus::LinearGradientBrush brush(Gdiplus::PointF(top.X, top.Y), Gdiplus::PointF(top.X, top.Y + top.Height),
                                           argb(slice.light), argb(slice.colour));
        if (slice.sweep_angle >= 359.99f)
            graphics.FillEllipse(&brush, top);
        else
            for_pieces(start_of(slice, turn), slice.sweep_angle,
                       [&](float from, float sweep) { graphics.FillPie(&brush, top, from, sweep); });
    }
    Gdiplus::Pen rim(Gdiplus::Color(90, 255, 255, 255), 1.0f);
    for (const pie_slice_c* slice : order) {
        if (slice->sweep_angle >= 359.99f) continue;
        float from = start_of(*slice, turn);
        for_pieces(from, slice->sweep_angle,
                   [&](float piece_from, float sweep) { graphics.DrawArc(&rim, top, piece_from, sweep); });
        Gdiplus::PointF centre(top.X + top.Width / 2, top.Y + top.Height / 2);
        for (float angle : {from, from + slice->sweep_angle})
            graphics.DrawLine(&rim, centre, ellipse_point(centre, top.Width / 2, top.Height / 2, angle * pi / 180.0));
    }
}

// Each slice's share, centred on its top.
void paint_labels(Gdiplus::Graphics& graphics, const Gdiplus::RectF& top, const std::vector<pie_slice_c>& slices,
                  float turn, const Gdiplus::Font& font) {
    Gdiplus::SolidBrush ink(Gdiplus::Color(255, 32, 48, 80));
    Gdiplus::StringFormat centred;
    centred.SetAlignment(Gdiplus::StringAlignmentCenter);
    centred.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    for (const auto& slice : slices) {
        double middle = (start_of(slice, turn) + slice.sweep_angle / 2) * pi / 180.0;
        float rx = top.Width / 2 * 0.8f, ry = top.Height / 2 * 0.8f;
        Gdiplus::PointF centre(top.X + top.Width / 2 + float(slice.offset * std::cos(middle)),
                               top.Y + top.Height / 2 + float(slice.offset * std::sin(middle)));
        Gdiplus::PointF label_at = ellipse_point(centre, rx, ry, middle);
        std::wstring label = pie_chart_model_c::label(slice);
        Gdiplus::RectF box;
        graphics.MeasureString(label.c_str(), int(label.size()), &font, Gdiplus::PointF(0, 0), &box);
        Gdiplus::RectF at(label_at.X - box.Width / 2, label_at.Y - box.Height / 2, box.Width, box.Height);
        graphics.DrawString(label.c_str(), int(label.size()), &font, at, &centred, &ink);
    }
}

}  // namespace

std::unique_ptr<Gdiplus::Font> make_label_font(HDC dc, const std::wstring& face, float points, bool bold) {
    int style = bold ? Gdiplus::FontStyleBold : Gdiplus::FontStyleRegular;
    Gdiplus::FontFamily family(face.c_str());
    if (family.GetLastStatus() == Gdiplus::Ok && family.IsAvailable()) {
        auto font = std::make_unique<Gdiplus::Font>(&family, points, style, Gdiplus::UnitPoint);
        if (usable(*font)) return font;
    }
    LOGFONTW description{};
    description.lfHeight = -MulDiv(int(points + 0.5f), 96, 72);
    description.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    description.lfCharSet = DEFAULT_CHARSET;
    description.lfQuality = ANTIALIASED_QUALITY;
    lstrcpynW(description.lfFaceName, face.c_str(), LF_FACESIZE);
    auto mapped = std::make_unique<Gdiplus::Font>(dc, &description);
    if (usable(*mapped)) return mapped;
    return std::make_unique<Gdiplus::Font>(Gdiplus::FontFamily::GenericSansSerif(), points, style, Gdiplus::UnitPoint);
}

pie_chart_c::pie_chart_c() = default;
pie_chart_c::~pie_chart_c() = default;

bool pie_chart_c::create_chart(HWND parent, int x, int y, int width, int height) {
    if (!register_class(chart_class, GetModuleHandleW(nullptr))) return false;
    return create(chart_class, L"Pie Chart", WS_CHILD | WS_VISIBLE, x, y, width, height, parent) != nullptr;
}

void pie_chart_c::repaint() {
    if (handle()) InvalidateRect(handle(), nullptr, FALSE);
}

void pie_chart_c::set_background(COLORREF colour) {
    background_ = colour;
    repaint();
}
void pie_chart_c::set_inclination(double degrees) {
    model_.set_inclination(degrees);
    repaint();
}
void pie_chart_c::set_second_angle(double degrees) {
    second_angle_ = degrees;
    repaint();
}
void pie_chart_c::set_pie_rectangle(RECT rectangle) {
    pie_ = rectangle;
    repaint();
}
void pie_chart_c::clear() {
    model_.clear();
    legend_scroll_ = 0;
    repaint();
}
bool pie_chart_c::add_slice(const std::wstring& name, const std::wstring& text, double value, COLORREF colour) {
    bool added = model_.add(name, text, value, from_colorref(colour));
    repaint();
    return added;
}

bool pie_chart_c::on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    switch (message) {
        case WM_GETOBJECT: result = on_get_object(wparam, lparam); return result != 0;
        case WM_PAINT: on_paint(); return true;
        case WM_ERASEBKGND: result = 1; return true;
        case WM_SIZE: repaint(); return true;
        case WM_VSCROLL:
            legend_scroll_ += LOWORD(wparam) == SB_LINEUP ? -1 : LOWORD(wparam) == SB_LINEDOWN ? 1 : 0;
            if (legend_scroll_ < 0) legend_scroll_ = 0;
            repaint();
            return true;
        default: return false;
    }
}

void pie_chart_c::on_paint() {
    paint_dc_c paint(handle());
    RECT client;
    GetClientRect(handle(), &client);
    int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return;

    // Drawn in design units at the window's scale: points counted at 96 DPI, then multiplied.
    const unsigned dpi = window_dpi(handle());
    Gdiplus::Bitmap surface(width, height, PixelFormat32bppARGB);
    surface.SetResolution(float(design_dpi), float(design_dpi));
    Gdiplus::Graphics graphics(&surface);
    graphics.ScaleTransform(float(dpi) / float(design_dpi), float(dpi) / float(design_dpi));
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
    graphics.Clear(argb(from_colorref(background_)));

    // The tilt flattens the pie; the rest of its rectangle's height is the rim.
    double tilt = model_.inclination() * pi / 180.0;
    float pie_width = float(pie_.right - pie_.left), pie_height = float(pie_.bottom - pie_.top);
    float depth = float(pie_height * 0.22 * std::sin(tilt));
    Gdiplus::RectF top(float(pie_.left), float(pie_.top), pie_width, std::max(1.0f, pie_height - depth));

    const auto& slices = model_.slices();
    // The second angle turns the pie: where the first slice starts, clockwise from the x axis.
    const float turn = float(second_angle_);
    paint_pie(graphics, top, depth, back_to_front(slices, turn), turn);
    auto font = make_label_font(paint.get(), label_face_, float(pie_chart_model_c::label_points(to_design(height, dpi))), false);
    paint_labels(graphics, top, slices, turn, *font);
    // The picture keeps its orientation in a mirrored window, where Wine 8 puts it one pixel aside:
    // the background first, so that no unpainted column shows.
    if (is_mirrored(handle())) fill_solid(paint.get(), client, background_);
    Gdiplus::Graphics target(paint.get());
    target.DrawImage(&surface, 0, 0, width, height);
}

// What a screen reader reads of the chart: each slice's text with its value and its share.
LRESULT pie_chart_c::on_get_object(WPARAM wparam, LPARAM lparam) {
    const RECT client = design_client_rect(handle());
    std::vector<accessible_element_c> elements;
    for (const pie_slice_c& slice : model_.slices()) {
        accessible_element_c element;
        element.name = slice.text;
        std::size_t at = element.name.find(L"%d");
        if (at != std::wstring::npos) element.name.replace(at, 2, std::to_wstring(static_cast<long long>(slice.value)));
        element.name += L", " + pie_chart_model_c::label(slice);
        element.rect = client;
        elements.push_back(std::move(element));
    }
    return answer_accessible_object(handle(), wparam, lparam, ROLE_SYSTEM_CHART, std::move(elements));
}
