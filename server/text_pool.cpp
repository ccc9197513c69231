#include "server/text_pool.h"

#include <functional>
#include <stdexcept>

namespace {

std::size_t hash_of(std::string_view text) { return std::hash<std::string_view>{}(text); }

}  // namespace

// Number 0 is the empty text, which intern() answers without a look-up.
text_pool_c::text_pool_c() : ends_{0, 0}, slots_(1024, 0) {}

std::uint32_t text_pool_c::intern(std::string_view text) {
    if (text.empty()) return 0;
    std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash_of(text) & mask;; at = (at + 1) & mask) {
        std::uint32_t slot = slots_[at];
        if (slot == 0) {
            if (bytes_.size() + text.size() > 0xFFFFFFFFu || count() >= 0xFFFFFFFEu)
                throw std::length_error("the catalog's texts exceed 4 GiB");
            auto number = std::uint32_t(count());
            bytes_.append(text);
            ends_.push_back(std::uint32_t(bytes_.size()));
            slots_[at] = number + 1;
            if (count() * 2 > slots_.size()) grow();
            return number;
        }
        if (this->text(slot - 1) == text) return slot - 1;
    }
}

void text_pool_c::grow() {
    std::vector<std::uint32_t> slots(slots_.size() * 2, 0);
    std::size_t mask = slots.size() - 1;
    for (std::uint32_t number = 1; number < count(); ++number) {
        std::size_t at = hash_of(text(number)) & mask;
        while (slots[at] != 0) at = (at + 1) & mask;
        slots[at] = number + 1;
    }
    slots_.swap(slots);
}

void text_pool_c::seal() {
    std::vector<std::uint32_t>().swap(slots_);
    bytes_.shrink_to_fit();
    ends_.shrink_to_fit();
}
