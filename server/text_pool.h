// Texts stored once: every distinct text gets a 32-bit number, and records hold the number. A
// catalog repeats its manufacturers, descriptions, providers and device IDs on line after line.
#pragma once

#include "server/huge_page_allocator.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class text_pool_c {
public:
    text_pool_c();

    // The number of the text, adding it when it is new. Throws std::length_error past 4 GiB.
    std::uint32_t intern(std::string_view text);
    // The number of a text known to be unique (a file name), added without a look-up: intern()
    // does not find it.
    std::uint32_t add(std::string_view text);
    // Room for about this many distinct texts, so that the table is not rebuilt while adding.
    void reserve(std::size_t texts);
    std::string_view text(std::uint32_t number) const {
        return std::string_view(bytes_.data() + ends_[number], std::size_t(ends_[number + 1] - ends_[number]));
    }
    std::size_t count() const { return ends_.size() - 1; }
    // Drops what only adding needs; intern() must not be called after this.
    void seal();
    std::size_t memory_bytes() const { return bytes_.capacity() + ends_.capacity() * sizeof(std::uint32_t); }

private:
    void rebuild(std::size_t slots);
    large_vector_c<char> bytes_;
    large_vector_c<std::uint32_t> ends_;  // text n is bytes_[ends_[n], ends_[n + 1])
    struct slot_c {
        std::uint32_t number;  // + 1; 0 when free
        std::uint32_t tag;     // the hash's high half: most texts that differ are told apart without reading them
    };
    large_vector_c<slot_c> slots_;  // open addressing
    std::size_t interned_ = 0;
};
