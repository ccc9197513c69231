// Owned SetupAPI handles: a device information set, a class image list, a built driver list.
#pragma once

#include "common/unique_handle.h"

#include <windows.h>
#include <setupapi.h>

struct device_info_set_traits_c {
    using handle = HDEVINFO;
    static HDEVINFO invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HDEVINFO set) { SetupDiDestroyDeviceInfoList(set); }
};

using device_info_set_c = unique_handle_c<device_info_set_traits_c>;

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
