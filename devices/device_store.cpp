#include "devices/device_store.h"

#include "common/text_compare.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace {

bool code_unit_less(const device_class_c& a, const device_class_c& b) {
    return std::wcscmp(a.description, b.description) < 0;
}

// Lists the classes, gives them their images, names them (dropping those without a readable
// name) and sorts them.
bool prepare_classes(device_store_c& store, device_source_c& source) {
    if (!source.build_class_list(store.classes)) {
        store.classes.clear();
        return false;
    }
    if (store.class_images) {
        for (device_class_c& device_class : store.classes) {
            std::int32_t index = 0;
            if (store.class_images->image_index(device_class.guid, index)) device_class.image_index = index;
        }
    }
    auto unnamed = std::remove_if(store.classes.begin(), store.classes.end(),
                                  [&](device_class_c& device_class) { return !source.read_class_name(device_class); });
    store.classes.erase(unnamed, store.classes.end());
    // Unstable on purpose: classes with equal descriptions may come in any order.
    std::sort(store.classes.begin(), store.classes.end(), code_unit_less);
    return true;
}

// Reads the selected device and decides whether the store keeps it.
void examine_device(device_store_c& store, device_source_c& source, enumeration_progress_c& progress) {
    device_c record;
    if (!read_device_properties(source, record)) return;

    if (device_c* known = find_device(store, record.instance_path)) {
        ++known->instance_count;
        return;
    }
    if (record.class_name[0] && record.class_guid[0]) {
        if (std::wcscmp(record.class_name, L"LegacyDriver") == 0) return;
        record.has_driver = read_driver_key(source, record);
        if (record.has_driver) read_driver_rank(source, record);
    }
    record.status_known = source.read_status_known();
    record.device_class = find_device_class(store, record);
    if (!record.device_class) return;
    if (record.has_driver && is_excluded_driver_device(record)) return;

    store.devices.push_back(std::move(record));
    progress.set_current_name(store.devices.back().display_name);
}

failure_code_c walk_devices(device_store_c& store, device_source_c& source, enumeration_progress_c& progress) {
    if (!source.open_devices(progress.include_absent != 0)) return failure_code_c::device_set;
    std::int32_t total = 0;
    while (!progress.stop.load() && source.select_device(total) == device_step_c::device) ++total;
    progress.total.store(total, std::memory_order_relaxed);
    // Records are large: grown one by one, the array would hold up to twice what it needs.
    store.devices.reserve(std::size_t(total));

    for (std::int32_t index = 0;; ++index) {
        device_step_c step = progress.stop.load() ? device_step_c::failure : source.select_device(index);
        if (step == device_step_c::end) break;
        if (step == device_step_c::failure) {
            source.close_devices();
            return failure_code_c::device_walk;
        }
        examine_device(store, source, progress);
        progress.scanned.store(index + 1, std::memory_order_relaxed);
    }
    source.close_devices();
    return failure_code_c::none;
}

}  // namespace

void device_store_c::clear() {
    devices.clear();
    classes.clear();
}

std::wstring enumeration_progress_c::current_name() const {
    std::lock_guard<std::mutex> guard(name_lock_);
    return current_name_;
}

void enumeration_progress_c::set_current_name(const wchar_t* name) {
    std::lock_guard<std::mutex> guard(name_lock_);
    current_name_ = name;
}

failure_code_c enumerate_devices(device_store_c& store, device_source_c& source, enumeration_progress_c& progress) {
    store.clear();
    progress.total.store(0, std::memory_order_relaxed);
    progress.scanned.store(0, std::memory_order_relaxed);
    if (!prepare_classes(store, source)) return failure_code_c::class_list;
    // From here on the class list stays as it is: device records point into it.
    return walk_devices(store, source, progress);
}

device_c* find_device(device_store_c& store, const wchar_t* instance_path) {
    for (auto& record : store.devices)
        if (std::wcscmp(record.instance_path, instance_path) == 0) return &record;
    return nullptr;
}

const device_c* find_device(const device_store_c& store, const wchar_t* instance_path) {
    return find_device(const_cast<device_store_c&>(store), instance_path);
}

const device_class_c* find_device_class(const device_store_c& store, const device_c& record) {
    const wchar_t* wanted = record.class_name[0] && record.class_guid[0] ? record.class_name : L"Unknown";
    for (const auto& device_class : store.classes)
        if (std::wcscmp(device_class.name, wanted) == 0) return &device_class;
    return nullptr;
}

bool is_excluded_driver_device(const device_c& record) {
    if (equal_ignoring_case(record.enumerator, L"ISAPNP") || equal_ignoring_case(record.enumerator, L"ROOT")) return true;
    if (equal_ignoring_case(record.class_name, L"DiskDrive")) return true;
    return equal_ignoring_case(record.enumerator, L"ACPI") &&
           (equal_ignoring_case(record.class_name, L"System") || equal_ignoring_case(record.class_name, L"Processor"));
}

device_store_c copy_of_store(const device_store_c& store) {
    device_store_c copy = store;
    for (device_c& device : copy.devices)
        if (device.device_class) device.device_class = &copy.classes[std::size_t(device.device_class - store.classes.data())];
    return copy;
}
