// The skin's PNG images as the program reads them: every row filter undone, damage refused.
#include "common/png_image.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace {

void put_chunk(std::string& file, const char* kind, const std::string& body) {
    auto put32 = [&file](std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) file += char((v >> shift) & 0xFF);
    };
    put32(std::uint32_t(body.size()));
    const std::string typed = std::string(kind, 4) + body;
    file += typed;
    put32(std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), uInt(typed.size()))));
}

// A 3 x 2 RGBA image whose rows are filtered as given (the bytes after each filter byte are the
// filtered ones, written here by hand).
std::string png(const std::string& rows, std::uint32_t width = 3, std::uint32_t height = 2) {
    std::string file = "\x89PNG\r\n\x1a\n";
    std::string header;
    for (std::uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8) header += char((v >> shift) & 0xFF);
    header += std::string("\x08\x06\x00\x00\x00", 5);
    put_chunk(file, "IHDR", header);
    std::vector<Bytef> packed(compressBound(uLong(rows.size())));
    uLongf packed_size = uLongf(packed.size());
    compress(packed.data(), &packed_size, reinterpret_cast<const Bytef*>(rows.data()), uLong(rows.size()));
    put_chunk(file, "IDAT", std::string(reinterpret_cast<const char*>(packed.data()), packed_size));
    put_chunk(file, "IEND", "");
    return file;
}

bool read(const std::string& file, rgb_image_c& image, std::string& problem) {
    return read_png_image(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), image, problem);
}

}  // namespace

TEST(png_image, rows_are_unfiltered_and_alpha_dropped) {
    // Row 0, "sub": pixels 10,20,30 then +1 each; row 1, "paeth" against it, all zero differences
    // (paeth picks the pixel above, so row 1 equals row 0).
    std::string rows;
    rows += '\x01';
    rows += std::string("\x0a\x14\x1e\xff\x01\x01\x01\x00\x01\x01\x01\x00", 12);
    rows += '\x04';
    rows += std::string(12, '\0');
    rgb_image_c image;
    std::string problem;
    ASSERT_TRUE(read(png(rows), image, problem)) << problem;
    ASSERT_EQ(image.width, 3);
    ASSERT_EQ(image.height, 2);
    const std::vector<std::uint8_t> row = {10, 20, 30, 11, 21, 31, 12, 22, 32};
    EXPECT_EQ(std::vector<std::uint8_t>(image.rgb.begin(), image.rgb.begin() + 9), row);
    EXPECT_EQ(std::vector<std::uint8_t>(image.rgb.begin() + 9, image.rgb.end()), row);
}

TEST(png_image, damaged_or_foreign_files_are_refused) {
    const std::string rows(2 * 13, '\0');
    const std::string good = png(rows);
    rgb_image_c image;
    std::string problem;
    ASSERT_TRUE(read(good, image, problem)) << problem;
    std::string flipped = good;
    flipped[good.size() / 2] ^= 0x40;  // inside the image data: its checksum no longer matches
    EXPECT_FALSE(read(flipped, image, problem));
    EXPECT_FALSE(read(good.substr(0, good.size() - 5), image, problem));  // cut short
    EXPECT_FALSE(read(png(rows.substr(0, 13)), image, problem));          // one row of two
    EXPECT_FALSE(read(png(std::string(2 * 13, '\x07')), image, problem)); // no such filter
    EXPECT_FALSE(read(png(rows, 1u << 15, 1u << 15), image, problem));    // far too large
    EXPECT_NE(problem.find("too large"), std::string::npos);
    EXPECT_FALSE(read("GIF89a", image, problem));
}
