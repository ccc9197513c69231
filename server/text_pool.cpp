#include "server/text_pool.h"

#include <functional>
#include <stdexcept>

namespace {

std::uint64_t hash_of(std::string_view text) { return std::hash<std::string_view>{}(text); }

}  // namespace

// Number 0 is the empty text, which intern() answers without a look-up.
text_pool_c::text_pool_c() : ends_{0, 0}, slots_(1024, slot_c{0, 0}) {}

std::uint32_t text_pool_c::add(std::string_view text) {
    if (text.empty()) return 0;
    if (bytes_.size() + text.size() > 0xFFFFFFFFu || count() >= 0xFFFFFFFEu)
        throw std::length_error("the catalog's texts exceed 4 GiB");
    auto number = std::uint32_t(count());
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    ends_.push_back(std::uint32_t(bytes_.size()));
    return number;
}

std::uint32_t text_pool_c::intern(std::string_view text) {
    if (text.empty()) return 0;
    std::uint64_t hash = hash_of(text);
    auto tag = std::uint32_t(hash >> 32);
    std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        slot_c slot = slots_[at];
        if (slot.number == 0) {
            std::uint32_t number = add(text);
            slots_[at] = {number + 1, tag};
            if (++interned_ * 3 > slots_.size() * 2) rebuild(slots_.size() * 2);
            return number;
        }
        if (slot.tag == tag && this->text(slot.number - 1) == text) return slot.number - 1;
    }
}

void text_pool_c::reserve(std::size_t texts) {
    std::size_t size = slots_.size();
    while (size * 2 < texts * 3) size *= 2;
    if (size != slots_.size()) rebuild(size);
}

void text_pool_c::rebuild(std::size_t size) {
    large_vector_c<slot_c> slots(size, slot_c{0, 0});
    std::size_t mask = slots.size() - 1;
    for (const slot_c& old : slots_) {
        if (old.number == 0) continue;
        std::size_t at = hash_of(text(old.number - 1)) & mask;
        while (slots[at].number != 0) at = (at + 1) & mask;
        slots[at] = old;
    }
    slots_.swap(slots);
}

void text_pool_c::seal() {
    large_vector_c<slot_c>().swap(slots_);
    bytes_.shrink_to_fit();
    ends_.shrink_to_fit();
}
