// Reading the PNG images the skin is built into the program as: 8-bit RGB or RGBA, not
// interlaced (what the skin renderer writes). Anything else, or a damaged file, is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct rgb_image_c {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;  // top row first, 3 bytes per pixel (red, green, blue); alpha dropped
};

// False with the reason for anything that is no such image. Images larger than `most_pixels` are
// refused before anything is inflated.
bool read_png_image(const std::uint8_t* data, std::size_t size, rgb_image_c& image, std::string& problem,
                    std::size_t most_pixels = 16u << 20);
