// The pie chart's slices and arithmetic, apart from drawing: named slices with their shares,
// derived light and dark colours, angles, the percentage labels and the label size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct pie_slice_c {
    std::wstring name;
    std::wstring text;
    double value = 0;
    double share = 0;
    std::uint32_t colour = 0;  // ARGB
    std::uint32_t light = 0;
    std::uint32_t dark = 0;
    int id = 0;
    float start_angle = 0;  // degrees, clockwise from the x axis
    float sweep_angle = 0;
    int offset = 0;
    int alpha = 255;
};

class pie_chart_model_c {
public:
    // Ignored (false) for an empty name, a name already present or a value not above 0.
    bool add(const std::wstring& name, const std::wstring& text, double value, std::uint32_t colour);
    void clear();
    const std::vector<pie_slice_c>& slices() const { return slices_; }
    double total() const { return total_; }

    void set_inclination(double degrees);
    double inclination() const { return inclination_; }

    // "%.2f%%" of the slice's share.
    static std::wstring label(const pie_slice_c& slice);
    // Label size in points for a drawing rectangle of that height: height / 25, but 11 above 10
    // and 7 at 7 or less.
    static int label_points(int rectangle_height);
    // Per channel: c + k (255 - c) / 255, at most 255; alpha 255.
    static std::uint32_t brighten(std::uint32_t argb, int k);
    // Per channel: c - k c / 255, at least 0; alpha 255.
    static std::uint32_t darken(std::uint32_t argb, int k);

private:
    void recompute();

    std::vector<pie_slice_c> slices_;
    double total_ = 0;
    int next_id_ = 0;
    double inclination_ = 35.0;
};
