// Owning COM interface pointer, BSTR and VARIANT holders: every COM reference is released on
// every path out of a scope.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>

template <typename Interface>
class com_ptr_c {
public:
    com_ptr_c() = default;
    ~com_ptr_c() { reset(); }
    com_ptr_c(const com_ptr_c&) = delete;
    com_ptr_c& operator=(const com_ptr_c&) = delete;
    com_ptr_c(com_ptr_c&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    com_ptr_c& operator=(com_ptr_c&& other) noexcept {
        if (this != &other) {
            reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }

    void reset() {
        if (pointer_) std::exchange(pointer_, nullptr)->Release();
    }
    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // For out-parameters of creating calls; releases what was held.
    Interface** put() {
        reset();
        return &pointer_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

private:
    Interface* pointer_ = nullptr;
};

class bstr_c {
public:
    bstr_c() = default;
    explicit bstr_c(const wchar_t* text) : text_(SysAllocString(text)) {}
    ~bstr_c() { SysFreeString(text_); }
    bstr_c(const bstr_c&) = delete;
    bstr_c& operator=(const bstr_c&) = delete;
    BSTR get() const { return text_; }
    // For out-parameters that hand over a new string; frees what was held.
    BSTR* put() {
        SysFreeString(std::exchange(text_, nullptr));
        return &text_;
    }
    std::wstring value() const { return text_ ? std::wstring(text_, SysStringLen(text_)) : std::wstring(); }

private:
    BSTR text_ = nullptr;
};

class variant_c {
public:
    variant_c() { VariantInit(&value_); }
    ~variant_c() { VariantClear(&value_); }
    variant_c(const variant_c&) = delete;
    variant_c& operator=(const variant_c&) = delete;
    VARIANT* put() {
        VariantClear(&value_);
        return &value_;
    }
    const VARIANT& get() const { return value_; }
    VARIANT* pointer() { return &value_; }

private:
    VARIANT value_;
};
