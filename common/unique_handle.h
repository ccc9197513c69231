// An owned handle of any kind, released by its traits on every path out of a scope:
//   struct traits { using handle = ...; static handle invalid(); static void close(handle); };
#pragma once

#include <utility>

template <typename Traits>
class unique_handle_c {
public:
    using handle_type = typename Traits::handle;

    unique_handle_c() = default;
    explicit unique_handle_c(handle_type handle) : handle_(handle) {}
    ~unique_handle_c() { reset(); }
    unique_handle_c(const unique_handle_c&) = delete;
    unique_handle_c& operator=(const unique_handle_c&) = delete;
    unique_handle_c(unique_handle_c&& other) noexcept : handle_(std::exchange(other.handle_, Traits::invalid())) {}
    unique_handle_c& operator=(unique_handle_c&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, Traits::invalid()));
        return *this;
    }

    void reset(handle_type handle = Traits::invalid()) {
        if (valid()) Traits::close(handle_);
        handle_ = handle;
    }
    handle_type get() const { return handle_; }
    // For out-parameters of creating calls; releases what was held.
    handle_type* put() {
        reset();
        return &handle_;
    }
    // Gives the handle up to a new owner.
    handle_type release() { return std::exchange(handle_, Traits::invalid()); }
    bool valid() const { return handle_ != Traits::invalid(); }
    explicit operator bool() const { return valid(); }

protected:
    handle_type handle_ = Traits::invalid();
};
