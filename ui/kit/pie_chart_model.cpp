#include "ui/kit/pie_chart_model.h"

#include <algorithm>
#include <cwchar>

namespace {

std::uint32_t map_channels(std::uint32_t argb, int (*change)(int, int), int k) {
    std::uint32_t result = 0xFF000000u;
    for (int shift : {16, 8, 0}) {
        int channel = int((argb >> shift) & 0xFF);
        result |= std::uint32_t(std::clamp(change(channel, k), 0, 255)) << shift;
    }
    return result;
}

}  // namespace

bool pie_chart_model_c::add(const std::wstring& name, const std::wstring& text, double value, std::uint32_t colour) {
    if (name.empty() || !(value > 0)) return false;
    for (const auto& slice : slices_)
        if (slice.name == name) return false;
    pie_slice_c slice;
    slice.name = name;
    slice.text = text;
    slice.value = value;
    slice.colour = colour;
    slice.light = brighten(colour, 120);
    slice.dark = darken(colour, 10);
    slice.id = next_id_++;
    slices_.push_back(slice);
    total_ += value;
    recompute();
    return true;
}

void pie_chart_model_c::clear() {
    slices_.clear();
    total_ = 0;
    next_id_ = 0;
}

void pie_chart_model_c::set_inclination(double degrees) { inclination_ = std::clamp(degrees, 0.0, 89.0); }

void pie_chart_model_c::recompute() {
    float start = 0;
    for (auto& slice : slices_) {
        slice.share = total_ > 0 ? slice.value / total_ : 0;
        slice.start_angle = start;
        slice.sweep_angle = float(slice.share * 360.0);
        start += slice.sweep_angle;
    }
}

std::wstring pie_chart_model_c::label(const pie_slice_c& slice) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%.2f%%", slice.share * 100.0);
    return text;
}

int pie_chart_model_c::label_points(int rectangle_height) {
    int points = rectangle_height / 25;
    if (points > 10) return 11;
    if (points <= 7) return 7;
    return points;
}

std::uint32_t pie_chart_model_c::brighten(std::uint32_t argb, int k) {
    return map_channels(argb, [](int c, int amount) { return c + amount * (255 - c) / 255; }, k);
}

std::uint32_t pie_chart_model_c::darken(std::uint32_t argb, int k) {
    return map_channels(argb, [](int c, int amount) { return c - amount * c / 255; }, k);
}
