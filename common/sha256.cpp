#include "common/sha256.h"

#include "common/hex_text.h"

#include <algorithm>
#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && !defined(VANTOREL_PLAIN_SHA256)
#include <cpuid.h>
#include <immintrin.h>
#define VANTOREL_SHA_EXTENSIONS 1
#endif

namespace {

alignas(16) constexpr std::uint32_t round_constants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

std::uint32_t rotate_right(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

std::uint32_t big_endian_word(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

void compress_plain(std::uint32_t state[8], const std::uint8_t* data, std::size_t blocks) {
    for (; blocks > 0; --blocks, data += 64) {
        std::uint32_t w[64];
        for (int i = 0; i < 16; ++i) w[i] = big_endian_word(data + 4 * i);
        for (int i = 16; i < 64; ++i) {
            const std::uint32_t s0 = rotate_right(w[i - 15], 7) ^ rotate_right(w[i - 15], 18) ^ (w[i - 15] >> 3);
            const std::uint32_t s1 = rotate_right(w[i - 2], 17) ^ rotate_right(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        std::uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
        for (int i = 0; i < 64; ++i) {
            const std::uint32_t t1 = h + (rotate_right(e, 6) ^ rotate_right(e, 11) ^ rotate_right(e, 25)) +
                                     ((e & f) ^ (~e & g)) + round_constants[i] + w[i];
            const std::uint32_t t2 = (rotate_right(a, 2) ^ rotate_right(a, 13) ^ rotate_right(a, 22)) +
                                     ((a & b) ^ (a & c) ^ (b & c));
            h = g; g = f; f = e; e = d + t1;
            d = c; c = b; b = a; a = t1 + t2;
        }
        state[0] += a; state[1] += b; state[2] += c; state[3] += d;
        state[4] += e; state[5] += f; state[6] += g; state[7] += h;
    }
}

#ifdef VANTOREL_SHA_EXTENSIONS

// Four rounds per step. The message schedule keeps the last sixteen words in four registers:
// words[g % 4] holds words 4g .. 4g + 3 once step g has computed them.
__attribute__((target("sha,sse4.1,ssse3"))) void compress_extensions(std::uint32_t state[8], const std::uint8_t* data,
                                                                       std::size_t blocks) {
    const __m128i byte_swap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
    __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[0]));
    __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[4]));
    dcba = _mm_shuffle_epi32(dcba, 0xB1);                 // c d a b
    hgfe = _mm_shuffle_epi32(hgfe, 0x1B);                 // e f g h
    __m128i abef = _mm_alignr_epi8(dcba, hgfe, 8);
    __m128i cdgh = _mm_blend_epi16(hgfe, dcba, 0xF0);
    for (; blocks > 0; --blocks, data += 64) {
        const __m128i abef_before = abef;
        const __m128i cdgh_before = cdgh;
        __m128i words[4];
#pragma GCC unroll 16
        for (int g = 0; g < 16; ++g) {
            __m128i& current = words[g % 4];
            if (g < 4) {
                current = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * g)), byte_swap);
            } else {
                const __m128i& before_4 = words[(g + 3) % 4];   // words 4g-4 .. 4g-1
                const __m128i& before_8 = words[(g + 2) % 4];   // words 4g-8 .. 4g-5
                const __m128i& before_12 = words[(g + 1) % 4];  // words 4g-12 .. 4g-9
                __m128i next = _mm_sha256msg1_epu32(current, before_12);
                next = _mm_add_epi32(next, _mm_alignr_epi8(before_4, before_8, 4));
                current = _mm_sha256msg2_epu32(next, before_4);
            }
            __m128i message = _mm_add_epi32(current, _mm_load_si128(reinterpret_cast<const __m128i*>(&round_constants[4 * g])));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
            message = _mm_shuffle_epi32(message, 0x0E);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, message);
        }
        abef = _mm_add_epi32(abef, abef_before);
        cdgh = _mm_add_epi32(cdgh, cdgh_before);
    }
    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[0]), _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[4]), _mm_alignr_epi8(dchg, feba, 8));
}

bool processor_has_sha_extensions() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    const bool ssse3 = (c >> 9) & 1, sse41 = (c >> 19) & 1;
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
    return ssse3 && sse41 && ((b >> 29) & 1);
}

using compress_function = void (*)(std::uint32_t*, const std::uint8_t*, std::size_t);
const compress_function compress = processor_has_sha_extensions() ? compress_extensions : compress_plain;

#else

const auto compress = compress_plain;
bool processor_has_sha_extensions() { return false; }

#endif

}  // namespace

void sha256_c::reset() {
    static constexpr std::uint32_t initial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                                 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::memcpy(state_, initial, sizeof state_);
    filled_ = 0;
    length_ = 0;
}

void sha256_c::update(const void* data, std::size_t size) {
    auto bytes = static_cast<const std::uint8_t*>(data);
    length_ += size;
    if (filled_ > 0) {
        const std::size_t take = std::min(size, sizeof block_ - filled_);
        std::memcpy(block_ + filled_, bytes, take);
        filled_ += take;
        bytes += take;
        size -= take;
        if (filled_ < sizeof block_) return;
        compress(state_, block_, 1);
        filled_ = 0;
    }
    if (size >= 64) {
        compress(state_, bytes, size / 64);
        bytes += size - size % 64;
        size %= 64;
    }
    std::memcpy(block_ + filled_, bytes, size);
    filled_ += size;
}

sha256_digest_c sha256_c::finish() {
    const std::uint64_t bits = length_ * 8;
    static const std::uint8_t padding[64] = {0x80};
    update(padding, filled_ < 56 ? 56 - filled_ : 120 - filled_);
    std::uint8_t length_bytes[8];
    for (int i = 0; i < 8; ++i) length_bytes[i] = std::uint8_t(bits >> (56 - 8 * i));
    update(length_bytes, sizeof length_bytes);
    sha256_digest_c digest;
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 4; ++j) digest[std::size_t(4 * i + j)] = std::uint8_t(state_[i] >> (24 - 8 * j));
    reset();
    return digest;
}

sha256_digest_c sha256_of(std::string_view bytes) {
    sha256_c hasher;
    hasher.update(bytes.data(), bytes.size());
    return hasher.finish();
}

std::string digest_hex(const sha256_digest_c& digest) { return hex_text(digest.data(), digest.size()); }

std::optional<sha256_digest_c> digest_from_hex(std::string_view hex) {
    sha256_digest_c digest;
    if (!bytes_from_hex(hex, digest.data(), digest.size())) return std::nullopt;
    return digest;
}

bool sha256_uses_processor_extensions() { return processor_has_sha_extensions(); }
