// Texts stored once: every distinct text gets a 32-bit number, and records hold the number. A
// catalog repeats its manufacturers, descriptions, providers and device IDs on line after line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class text_pool_c {
public:
    text_pool_c();

    // The number of the text, adding it when it is new. Throws std::length_error past 4 GiB.
    std::uint32_t intern(std::string_view text);
    std::string_view text(std::uint32_t number) const {
        return std::string_view(bytes_.data() + ends_[number], ends_[number + 1] - ends_[number]);
    }
    std::size_t count() const { return ends_.size() - 1; }
    // Drops what only adding needs; intern() must not be called after this.
    void seal();
    std::size_t memory_bytes() const { return bytes_.capacity() + ends_.capacity() * sizeof(std::uint32_t); }

private:
    void grow();
    std::string bytes_;
    std::vector<std::uint32_t> ends_;   // text n is bytes_[ends_[n], ends_[n + 1])
    std::vector<std::uint32_t> slots_;  // open addressing: number + 1, 0 when free
};
