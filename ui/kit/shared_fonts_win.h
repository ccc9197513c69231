// The 21 fonts every skinned window draws with, created once at start-up.
#pragma once

#include <windows.h>

#include <array>

class shared_fonts_c {
public:
    static constexpr int count = 28;

    shared_fonts_c() = default;
    ~shared_fonts_c() { release(); }
    shared_fonts_c(const shared_fonts_c&) = delete;
    shared_fonts_c& operator=(const shared_fonts_c&) = delete;

    // Creates all fonts; false when one of them cannot be created.
    bool create();
    void release();
    // Font 1 to 21 in creation order.
    HFONT font(int number) const { return number >= 1 && number <= count ? fonts_[number - 1] : nullptr; }

private:
    std::array<HFONT, count> fonts_{};
};

shared_fonts_c& shared_fonts();
