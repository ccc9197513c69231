#include "common/md5.h"

#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

constexpr std::uint32_t sines[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

constexpr unsigned shifts[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

std::uint32_t rotate_left(std::uint32_t x, unsigned n) { return (x << n) | (x >> (32 - n)); }

}  // namespace

md5_c::md5_c() : state_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476}, buffer_{} {}

void md5_c::transform(const std::uint8_t block[64]) {
    std::uint32_t words[16];
    for (int i = 0; i < 16; ++i) {
        words[i] = std::uint32_t(block[i * 4]) | std::uint32_t(block[i * 4 + 1]) << 8 |
                   std::uint32_t(block[i * 4 + 2]) << 16 | std::uint32_t(block[i * 4 + 3]) << 24;
    }
    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (unsigned i = 0; i < 64; ++i) {
        std::uint32_t f;
        unsigned g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        std::uint32_t next = d;
        d = c;
        c = b;
        b = b + rotate_left(a + f + sines[i] + words[g], shifts[i]);
        a = next;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

void md5_c::update(const void* data, std::size_t size) {
    auto bytes = static_cast<const std::uint8_t*>(data);
    length_ += size;
    while (size > 0) {
        std::size_t take = 64 - buffered_ < size ? 64 - buffered_ : size;
        std::memcpy(buffer_ + buffered_, bytes, take);
        buffered_ += take;
        bytes += take;
        size -= take;
        if (buffered_ == 64) {
            transform(buffer_);
            buffered_ = 0;
        }
    }
}

std::string md5_c::hex_digest() {
    std::uint64_t bit_length = length_ * 8;
    static const std::uint8_t padding[64] = {0x80};
    std::size_t pad = buffered_ < 56 ? 56 - buffered_ : 120 - buffered_;
    update(padding, pad);
    std::uint8_t tail[8];
    for (int i = 0; i < 8; ++i) tail[i] = std::uint8_t(bit_length >> (8 * i));
    update(tail, 8);

    std::string hex;
    hex.reserve(32);
    char pair[3];
    for (std::uint32_t word : state_) {
        for (int i = 0; i < 4; ++i) {
            std::snprintf(pair, sizeof pair, "%02x", unsigned(word >> (8 * i)) & 0xffu);
            hex += pair;
        }
    }
    return hex;
}

std::string md5_of_text(std::string_view text) {
    md5_c digest;
    digest.update(text.data(), text.size());
    return digest.hex_digest();
}

int md5_of_file(const std::filesystem::path& path, std::string& hex) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return -1;
    md5_c digest;
    char block[1024];
    while (file) {
        file.read(block, sizeof block);
        if (file.gcount() > 0) digest.update(block, std::size_t(file.gcount()));
    }
    if (file.bad()) return -1;
    hex = digest.hex_digest();
    return 0;
}
