#include "server/catalog/text_pool.h"

#include <algorithm>
#include <functional>
#include <new>
#include <stdexcept>

namespace {

std::uint64_t hash_of(std::string_view text) { return std::hash<std::string_view>{}(text); }

constexpr std::size_t most_pool_bytes = 0xFFFFFFFFu;

}  // namespace

// Reference 0 is the empty text (one header byte), which intern() answers without a look-up.
text_pool_c::text_pool_c() : bytes_(1, '\0'), slots_(1024, slot_c{0, 0}) {}

unsigned text_pool_c::kind_bits(std::string_view text) {
    unsigned bits = 0;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E) bits |= 2;
        else if (byte == '&' || byte == '<' || byte == '>' || byte == '"') bits |= 1;
    }
    return bits;
}

std::uint32_t text_pool_c::add(std::string_view text) {
    if (text.empty()) return 0;
    if (text.size() > (most_pool_bytes >> 2) || bytes_.size() + text.size() + 5 > most_pool_bytes)
        throw std::length_error("the catalog's texts exceed 4 GiB");
    auto reference = std::uint32_t(bytes_.size());
    std::uint64_t header = (std::uint64_t(text.size()) << 2) | kind_bits(text);
    while (header >= 0x80) {
        bytes_.push_back(char(0x80 | (header & 0x7F)));
        header >>= 7;
    }
    bytes_.push_back(char(header));
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    ++count_;
    return reference;
}

void text_pool_c::prefetch(std::string_view text) const {
    if (!text.empty()) __builtin_prefetch(&slots_[hash_of(text) & (slots_.size() - 1)]);
}

std::uint32_t text_pool_c::intern(std::string_view text) {
    if (text.empty()) return 0;
    std::uint64_t hash = hash_of(text);
    auto tag = std::uint32_t(hash >> 32);
    std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        slot_c slot = slots_[at];
        if (slot.reference == 0) {
            std::uint32_t reference = add(text);
            slots_[at] = {reference, tag};
            if (++interned_ * 3 > slots_.size() * 2) rebuild(slots_.size() * 2);
            return reference;
        }
        if (slot.tag == tag && this->text(slot.reference) == text) return slot.reference;
    }
}

void text_pool_c::reserve(std::size_t texts, std::size_t bytes) {
    try {
        bytes_.reserve(std::min(bytes, most_pool_bytes));
    } catch (const std::bad_alloc&) {
        // No address space for it all at once: the bytes grow as they come.
    }
    std::size_t size = slots_.size();
    while (size * 2 < texts * 3) size *= 2;
    if (size != slots_.size()) rebuild(size);
}

void text_pool_c::rebuild(std::size_t size) {
    large_vector_c<slot_c> slots(size, slot_c{0, 0});
    std::size_t mask = slots.size() - 1;
    for (const slot_c& old : slots_) {
        if (old.reference == 0) continue;
        std::size_t at = hash_of(text(old.reference)) & mask;
        while (slots[at].reference != 0) at = (at + 1) & mask;
        slots[at] = old;
    }
    slots_.swap(slots);
}

void text_pool_c::seal() {
    large_vector_c<slot_c>().swap(slots_);
    // Room reserved and never written is not moved away: pages never written take no memory,
    // whereas moving the bytes would write them all again.
    if (bytes_.capacity() < huge_page_allocator_c<char>::mapped_from) bytes_.shrink_to_fit();
}
