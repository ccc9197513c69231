// An allocator for the catalog's large arrays: blocks of 2 MiB and more get a mapping of their
// own, advised onto huge pages where the system allows, since a catalog of millions of records
// is read at random and costs a page walk per read on small pages. Smaller blocks come from the
// ordinary heap.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <new>
#include <vector>

template <typename T>
struct huge_page_allocator_c {
    using value_type = T;
    static constexpr std::size_t mapped_from = 2u << 20;

    huge_page_allocator_c() = default;
    template <typename U>
    huge_page_allocator_c(const huge_page_allocator_c<U>&) noexcept {}

    T* allocate(std::size_t count) {
        std::size_t bytes = count * sizeof(T);
        if (bytes < mapped_from) return static_cast<T*>(::operator new(bytes));
        void* memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) throw std::bad_alloc();
        ::madvise(memory, bytes, MADV_HUGEPAGE);  // advice only
        return static_cast<T*>(memory);
    }
    void deallocate(T* block, std::size_t count) noexcept {
        std::size_t bytes = count * sizeof(T);
        if (bytes < mapped_from) ::operator delete(block);
        else ::munmap(block, bytes);
    }
    template <typename U>
    bool operator==(const huge_page_allocator_c<U>&) const noexcept { return true; }
    template <typename U>
    bool operator!=(const huge_page_allocator_c<U>&) const noexcept { return false; }
};

template <typename T>
using large_vector_c = std::vector<T, huge_page_allocator_c<T>>;
