// Copies into fixed-capacity text arrays. The capacity counts the terminating NUL; every copy
// truncates to fit and always terminates, so a record's text field is never left open.
#pragma once

#include <cstddef>
#include <string_view>

template <typename Char>
void copy_text(Char* destination, std::size_t capacity, std::basic_string_view<Char> source) {
    if (capacity == 0) return;
    std::size_t count = source.size() < capacity - 1 ? source.size() : capacity - 1;
    for (std::size_t i = 0; i < count; ++i) destination[i] = source[i];
    destination[count] = Char(0);
}

template <typename Char, std::size_t Capacity>
void copy_text(Char (&destination)[Capacity], std::basic_string_view<Char> source) {
    copy_text(destination, Capacity, source);
}

template <typename Char, std::size_t Capacity>
void copy_text(Char (&destination)[Capacity], const Char* source) {
    copy_text(destination, Capacity, source ? std::basic_string_view<Char>(source) : std::basic_string_view<Char>());
}
