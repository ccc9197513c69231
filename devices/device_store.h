// The inventory: the devices of the last enumeration, in enumeration order, and the setup classes
// sorted by description. Filled by enumerate_devices on a worker thread while the scan window
// reads the progress counters.
#pragma once

#include "common/failure_code.h"
#include "devices/device_record.h"
#include "devices/device_source.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The images shown beside setup classes. Every scan's store shares the one list made at start-up,
// so a class record's image_index stays meaningful for every list view that shows it: on Windows
// the system class image list (make_system_class_images); none in tests and on Linux.
class class_images_c {
public:
    virtual ~class_images_c() = default;
    // The position of the class's image in the list; false when the list cannot tell.
    virtual bool image_index(const class_guid_c& guid, std::int32_t& index) const = 0;
};

struct device_store_c {
    std::vector<device_c> devices;
    std::vector<device_class_c> classes;
    // When present, each enumeration takes the classes' image indexes from here. Clearing the
    // store keeps it.
    std::shared_ptr<const class_images_c> class_images;
    // Empties the devices and classes.
    void clear();
};

// Shared between the enumeration thread and the UI thread without a lock for the counters; the
// current name is a copy of the last appended display_name, so it stays readable while the
// device array grows.
class enumeration_progress_c {
public:
    std::int32_t include_absent = 0;  // in
    // in: set from another thread to end the walk early (the program is closing); the walk then
    // ends with device_walk before the next device.
    std::atomic<bool> stop{false};
    std::atomic<std::int32_t> total{0};
    std::atomic<std::int32_t> scanned{0};

    std::wstring current_name() const;
    void set_current_name(const wchar_t* name);

private:
    mutable std::mutex name_lock_;
    std::wstring current_name_;
};

// A copy whose devices point into the copy's own class list.
device_store_c copy_of_store(const device_store_c& store);

// Replaces the store's content with the source's classes and devices: none, or class_list,
// device_set or device_walk (also when stopped through the progress).
failure_code_c enumerate_devices(device_store_c& store, device_source_c& source, enumeration_progress_c& progress);

// The first record whose instance_path equals the text exactly, or null.
device_c* find_device(device_store_c& store, const wchar_t* instance_path);
const device_c* find_device(const device_store_c& store, const wchar_t* instance_path);

// The class record of a device: by exact class name when the device has a class name and GUID,
// otherwise the class named "Unknown". Null when there is none.
const device_class_c* find_device_class(const device_store_c& store, const device_c& record);

// True when a device that runs a driver is not offered updates: root-enumerated, ISA Plug and
// Play, disk drives, and ACPI system devices and processors.
bool is_excluded_driver_device(const device_c& record);
