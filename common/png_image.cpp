#include "common/png_image.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>

namespace {

std::uint32_t big_endian(const std::uint8_t* bytes) {
    return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 | std::uint32_t(bytes[2]) << 8 | bytes[3];
}

std::uint8_t paeth(int left, int up, int up_left) {
    const int guess = left + up - up_left;
    const int to_left = std::abs(guess - left), to_up = std::abs(guess - up), to_up_left = std::abs(guess - up_left);
    if (to_left <= to_up && to_left <= to_up_left) return std::uint8_t(left);
    return std::uint8_t(to_up <= to_up_left ? up : up_left);
}

// Undoes one row's filter in place, against the row above (zeros for the first).
bool unfilter(std::uint8_t kind, std::uint8_t* row, const std::uint8_t* above, std::size_t stride, std::size_t channels) {
    for (std::size_t i = 0; i < stride; ++i) {
        const int left = i >= channels ? row[i - channels] : 0, up = above[i], up_left = i >= channels ? above[i - channels] : 0;
        switch (kind) {
        case 0: break;
        case 1: row[i] = std::uint8_t(row[i] + left); break;
        case 2: row[i] = std::uint8_t(row[i] + up); break;
        case 3: row[i] = std::uint8_t(row[i] + ((left + up) >> 1)); break;
        case 4: row[i] = std::uint8_t(row[i] + paeth(left, up, up_left)); break;
        default: return false;
        }
    }
    return true;
}

}  // namespace

bool read_png_image(const std::uint8_t* data, std::size_t size, rgb_image_c& image, std::string& problem,
                    std::size_t most_pixels) {
    static const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size < 8 || std::memcmp(data, signature, 8) != 0) return problem = "not a PNG file", false;
    std::size_t channels = 0, position = 8;
    std::vector<std::uint8_t> compressed;
    bool ended = false;
    while (!ended) {
        if (size - position < 12) return problem = "the PNG file ends inside a chunk", false;
        const std::uint32_t length = big_endian(data + position);
        if (length > size - position - 12) return problem = "a PNG chunk runs past the end of the file", false;
        const std::uint8_t* kind = data + position + 4;
        const std::uint8_t* body = kind + 4;
        if (crc32(0, kind, uInt(length) + 4) != big_endian(body + length)) return problem = "a damaged PNG chunk", false;
        if (std::memcmp(kind, "IHDR", 4) == 0) {
            if (length != 13) return problem = "a PNG header of the wrong length", false;
            image.width = int(big_endian(body));
            image.height = int(big_endian(body + 4));
            const std::uint8_t depth = body[8], colour = body[9], interlace = body[12];
            if (depth != 8 || (colour != 2 && colour != 6) || body[10] != 0 || body[11] != 0 || interlace != 0)
                return problem = "a PNG image that is not 8-bit RGB or RGBA without interlacing", false;
            channels = colour == 6 ? 4 : 3;
            // Counted in 64 bits: a 32-bit size_t would wrap for a forged width and height.
            if (image.width <= 0 || image.height <= 0 ||
                std::uint64_t(image.width) * std::uint64_t(image.height) > std::uint64_t(most_pixels))
                return problem = "a PNG image of no size or too large", false;
        } else if (std::memcmp(kind, "IDAT", 4) == 0) {
            compressed.insert(compressed.end(), body, body + length);
        } else if (std::memcmp(kind, "IEND", 4) == 0) {
            ended = true;
        }
        position += 12 + std::size_t(length);
    }
    if (channels == 0) return problem = "a PNG file without a header", false;
    const std::size_t stride = std::size_t(image.width) * channels;
    std::vector<std::uint8_t> raw((stride + 1) * std::size_t(image.height));
    uLongf inflated = uLongf(raw.size());
    if (uncompress(raw.data(), &inflated, compressed.data(), uLong(compressed.size())) != Z_OK || inflated != raw.size())
        return problem = "the PNG image data does not inflate to its size", false;
    std::vector<std::uint8_t> zeros(stride, 0);
    image.rgb.resize(std::size_t(image.width) * std::size_t(image.height) * 3);
    for (int y = 0; y < image.height; ++y) {
        std::uint8_t* row = raw.data() + std::size_t(y) * (stride + 1);
        const std::uint8_t* above = y == 0 ? zeros.data() : row - (stride + 1) + 1;
        if (!unfilter(row[0], row + 1, above, stride, channels)) return problem = "a PNG row of an unknown filter", false;
        std::uint8_t* out = image.rgb.data() + std::size_t(y) * std::size_t(image.width) * 3;
        for (int x = 0; x < image.width; ++x) std::memcpy(out + x * 3, row + 1 + std::size_t(x) * channels, 3);
    }
    return true;
}
