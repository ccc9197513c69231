// SHA-256 of data that arrives in pieces: a package as it downloads, an archive as it is read.
// Where the processor has the SHA extensions they do the work (several times faster than plain
// code, so hashing keeps pace with a download on the loopback).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

using sha256_digest_c = std::array<std::uint8_t, 32>;

class sha256_c {
public:
    sha256_c() { reset(); }
    void reset();
    void update(const void* data, std::size_t size);
    // The digest of everything given since the last reset; the hasher then starts again.
    sha256_digest_c finish();
    // Bytes given since the last reset.
    std::uint64_t bytes() const { return length_; }

private:
    std::uint32_t state_[8];
    std::uint8_t block_[64];
    std::size_t filled_ = 0;
    std::uint64_t length_ = 0;
};

sha256_digest_c sha256_of(std::string_view bytes);

// Lower-case hex, and back (either case; exactly 64 digits, nothing else).
std::string digest_hex(const sha256_digest_c& digest);
std::optional<sha256_digest_c> digest_from_hex(std::string_view hex);

// Whether this processor's SHA extensions are used.
bool sha256_uses_processor_extensions();
