// Owned SetupAPI handles: a device information set, a class image list, a built driver list.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <utility>

class device_info_set_c {
public:
    device_info_set_c() = default;
    explicit device_info_set_c(HDEVINFO set) : set_(set) {}
    ~device_info_set_c() { reset(); }
    device_info_set_c(const device_info_set_c&) = delete;
    device_info_set_c& operator=(const device_info_set_c&) = delete;
    device_info_set_c(device_info_set_c&& other) noexcept : set_(std::exchange(other.set_, INVALID_HANDLE_VALUE)) {}
    device_info_set_c& operator=(device_info_set_c&& other) noexcept {
        if (this != &other) {
            reset();
            set_ = std::exchange(other.set_, INVALID_HANDLE_VALUE);
        }
        return *this;
    }

    void reset(HDEVINFO set = INVALID_HANDLE_VALUE) {
        if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
        set_ = set;
    }
    HDEVINFO get() const { return set_; }
    explicit operator bool() const { return set_ != INVALID_HANDLE_VALUE; }

private:
    HDEVINFO set_ = INVALID_HANDLE_VALUE;
};

class class_image_list_c {
public:
    class_image_list_c() {
        data_.cbSize = sizeof data_;
        valid_ = SetupDiGetClassImageList(&data_) != FALSE;
    }
    ~class_image_list_c() {
        if (valid_) SetupDiDestroyClassImageList(&data_);
    }
    class_image_list_c(const class_image_list_c&) = delete;
    class_image_list_c& operator=(const class_image_list_c&) = delete;

    bool valid() const { return valid_; }
    SP_CLASSIMAGELIST_DATA* data() { return valid_ ? &data_ : nullptr; }

private:
    SP_CLASSIMAGELIST_DATA data_{};
    bool valid_ = false;
};

// Destroys the compatible-driver list built for one device when the scope ends.
class driver_list_guard_c {
public:
    driver_list_guard_c(HDEVINFO set, SP_DEVINFO_DATA* device) : set_(set), device_(device) {}
    ~driver_list_guard_c() { SetupDiDestroyDriverInfoList(set_, device_, SPDIT_COMPATDRIVER); }
    driver_list_guard_c(const driver_list_guard_c&) = delete;
    driver_list_guard_c& operator=(const driver_list_guard_c&) = delete;

private:
    HDEVINFO set_;
    SP_DEVINFO_DATA* device_;
};
