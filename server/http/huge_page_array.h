// A fixed-size array of trivially copyable records in its own anonymous mapping, zero-filled
// by the kernel and advised onto huge pages where the system allows: tables of hundreds of
// megabytes looked up at random cost a page walk per look-up otherwise.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

template <typename T>
class huge_page_array_c {
    static_assert(std::is_trivially_copyable_v<T>, "records are copied as bytes");

public:
    huge_page_array_c() = default;
    explicit huge_page_array_c(std::size_t count) : count_(count) {
        if (count == 0) return;
        void* memory = ::mmap(nullptr, bytes(), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) throw std::bad_alloc();
        ::madvise(memory, bytes(), MADV_HUGEPAGE);  // advice only: ignored where huge pages are off
        data_ = static_cast<T*>(memory);
    }
    ~huge_page_array_c() {
        if (data_) ::munmap(data_, bytes());
    }
    huge_page_array_c(huge_page_array_c&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), count_(std::exchange(other.count_, 0)) {}
    huge_page_array_c& operator=(huge_page_array_c&& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(count_, other.count_);
        return *this;
    }
    huge_page_array_c(const huge_page_array_c&) = delete;
    huge_page_array_c& operator=(const huge_page_array_c&) = delete;

    T& operator[](std::size_t at) { return data_[at]; }
    const T& operator[](std::size_t at) const { return data_[at]; }
    std::size_t size() const { return count_; }
    std::size_t bytes() const { return count_ * sizeof(T); }

private:
    T* data_ = nullptr;
    std::size_t count_ = 0;
};
