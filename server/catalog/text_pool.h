// Texts stored once: every distinct text gets a 32-bit reference, and records hold the reference.
// A catalog repeats its manufacturers, descriptions, providers and device IDs on line after line.
// A reference is the text's place in one byte array, where a short header (its length, and
// whether it is plain) sits right before its bytes: reading a text costs one memory access where
// a table of ends would cost two.
#pragma once

#include "server/http/huge_page_allocator.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A stored text, and what kind of bytes it holds: printable ASCII is the same in every code page
// the clients use; markup (& < > ") must be escaped in a document.
struct pooled_text_c {
    std::string_view text;
    bool printable_ascii = true;
    bool markup = false;
    bool plain() const { return printable_ascii && !markup; }
};

class text_pool_c {
public:
    text_pool_c();

    // The reference of the text, adding it when it is new. Throws std::length_error past 4 GiB.
    std::uint32_t intern(std::string_view text);
    // Asks memory for the table slot where intern() will look for the text, ahead of the call.
    void prefetch(std::string_view text) const;
    // The reference of a text known to be unique (a file name), added without a look-up: intern()
    // does not find it.
    std::uint32_t add(std::string_view text);
    // Room for about this many distinct texts and bytes, so that neither the table nor the bytes
    // are moved while adding. Room that is never written costs address space only.
    void reserve(std::size_t texts, std::size_t bytes);
    pooled_text_c get(std::uint32_t reference) const {
        const auto* at = reinterpret_cast<const unsigned char*>(bytes_.data()) + reference;
        std::uint32_t header = *at++;
        if (header & 0x80) header = read_long_header(header, at);
        return {std::string_view(reinterpret_cast<const char*>(at), header >> 2), (header & 2) == 0, (header & 1) != 0};
    }
    std::string_view text(std::uint32_t reference) const { return get(reference).text; }
    const char* address(std::uint32_t reference) const { return bytes_.data() + reference; }
    std::size_t count() const { return count_; }
    // Drops what only adding needs; intern() must not be called after this.
    void seal();
    // The bytes held: room reserved and never written is not counted.
    std::size_t memory_bytes() const { return bytes_.size() + slots_.capacity() * sizeof(slot_c); }

    // Bit 1 set when the text holds a byte that is not printable ASCII, bit 0 when it holds markup.
    static unsigned kind_bits(std::string_view text);

private:
    // The header is the text's length times four plus its kind bits, seven bits a byte, low bits
    // first, the high bit set on every byte but the last.
    static std::uint32_t read_long_header(std::uint32_t first, const unsigned char*& at) {
        std::uint32_t header = first & 0x7F;
        for (unsigned shift = 7;; shift += 7) {
            std::uint32_t byte = *at++;
            header |= (byte & 0x7F) << shift;
            if (!(byte & 0x80)) return header;
        }
    }
    void rebuild(std::size_t slots);
    large_vector_c<char> bytes_;
    std::size_t count_ = 1;  // the empty text is there from the start
    struct slot_c {
        std::uint32_t reference;  // 0 when free: the empty text is never looked up
        std::uint32_t tag;        // the hash's high half: most texts that differ are told apart without reading them
    };
    large_vector_c<slot_c> slots_;  // open addressing
    std::size_t interned_ = 0;
};
