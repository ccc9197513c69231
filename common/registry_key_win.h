// An owned registry key handle, closed on every path out of its scope.
#pragma once

#include <windows.h>

#include <utility>

class registry_key_c {
public:
    registry_key_c() = default;
    explicit registry_key_c(HKEY key) : key_(key) {}
    ~registry_key_c() { reset(); }
    registry_key_c(const registry_key_c&) = delete;
    registry_key_c& operator=(const registry_key_c&) = delete;
    registry_key_c(registry_key_c&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    registry_key_c& operator=(registry_key_c&& other) noexcept {
        if (this != &other) {
            reset();
            key_ = std::exchange(other.key_, nullptr);
        }
        return *this;
    }

    void reset(HKEY key = nullptr) {
        if (key_ && key_ != INVALID_HANDLE_VALUE) RegCloseKey(key_);
        key_ = key;
    }
    HKEY get() const { return key_; }
    HKEY* put() {
        reset();
        return &key_;
    }
    explicit operator bool() const { return key_ && key_ != INVALID_HANDLE_VALUE; }

    // Creates or opens parent\path. With a transaction the key is created inside it, through
    // RegCreateKeyTransactedW looked up at run time. Returns the registry's status.
    LONG create(HKEY parent, const wchar_t* path, REGSAM access, bool* existed = nullptr, HANDLE transaction = nullptr);

private:
    HKEY key_ = nullptr;
};
