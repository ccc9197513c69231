// MD5 message digest (RFC 1321), given as 32 lowercase hexadecimal digits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

class md5_c {
public:
    md5_c();
    void update(const void* data, std::size_t size);
    // Ends the digest; the object must not be updated afterwards.
    std::string hex_digest();

private:
    void transform(const std::uint8_t block[64]);

    std::uint32_t state_[4];
    std::uint64_t length_ = 0;
    std::uint8_t buffer_[64];
    std::size_t buffered_ = 0;
};

std::string md5_of_text(std::string_view text);

// Reads the file in blocks of 1024 bytes. Returns 0 and fills hex, or -1 when the file
// cannot be opened or read (hex is left unchanged).
int md5_of_file(const std::filesystem::path& path, std::string& hex);
