#include "devices/profile_source.h"

#include "common/fixed_text.h"

profile_source_c::profile_source_c(device_profile_c profile) : profile_(std::move(profile)) {}

bool profile_source_c::build_class_list(std::vector<device_class_c>& classes) {
    classes.clear();
    std::int32_t image = 0;
    for (const auto& entry : profile_.classes) {
        device_class_c record;
        if (!class_guid_c::parse(entry.guid, record.guid)) continue;
        copy_text(record.guid_text, std::wstring_view(record.guid.text()));
        // The system hands descriptions through a 256-unit buffer.
        copy_text(record.description, std::wstring_view(entry.description).substr(0, 255));
        record.image_index = image++;
        classes.push_back(record);
    }
    return true;
}

bool profile_source_c::read_class_name(device_class_c& device_class) {
    for (const auto& entry : profile_.classes) {
        class_guid_c guid;
        if (!class_guid_c::parse(entry.guid, guid) || !(guid == device_class.guid)) continue;
        if (entry.name.empty()) return false;
        copy_text(device_class.name, std::wstring_view(entry.name));
        return true;
    }
    return false;
}

bool profile_source_c::open_devices(bool include_absent) {
    open_set_.clear();
    for (const auto& device : profile_.devices)
        if (device.present || include_absent) open_set_.push_back(&device);
    selected_ = nullptr;
    return true;
}

device_step_c profile_source_c::select_device(std::int32_t index) {
    if (index < 0 || std::size_t(index) >= open_set_.size()) return device_step_c::end;
    selected_ = open_set_[std::size_t(index)];
    return device_step_c::device;
}

void profile_source_c::close_devices() {
    open_set_.clear();
    selected_ = nullptr;
}

std::optional<std::wstring> profile_source_c::read_instance_id() {
    if (!selected_) return std::nullopt;
    return selected_->instance_id;
}

std::optional<std::wstring> profile_source_c::read_text_property(device_property_c property) {
    if (!selected_) return std::nullopt;
    switch (property) {
        case device_property_c::friendly_name: return selected_->friendly_name;
        case device_property_c::device_description: return selected_->description;
        case device_property_c::class_name: return selected_->class_name;
        case device_property_c::class_guid: {
            // The system reports class GUIDs in their registry form.
            class_guid_c guid;
            if (selected_->class_guid && class_guid_c::parse(*selected_->class_guid, guid)) return guid.text();
            return selected_->class_guid;
        }
        case device_property_c::enumerator_name:
            // A profile without the enumerator stands for a platform that does not report it.
            if (selected_->enumerator) return selected_->enumerator;
            return enumerator_from_instance_id(selected_->instance_id);
        default: return std::nullopt;
    }
}

std::optional<std::wstring> profile_source_c::read_multi_string_property(device_property_c property) {
    if (!selected_) return std::nullopt;
    const auto& list = property == device_property_c::hardware_ids     ? selected_->hardware_ids
                       : property == device_property_c::compatible_ids ? selected_->compatible_ids
                                                                       : std::optional<std::vector<std::wstring>>();
    if (!list) return std::nullopt;
    return make_multi_string(*list);
}

bool profile_source_c::open_driver_key() {
    driver_key_open_ = selected_ && selected_->driver;
    return driver_key_open_;
}

std::optional<std::wstring> profile_source_c::read_driver_value(const wchar_t* name) {
    if (!driver_key_open_) return std::nullopt;
    auto found = selected_->driver->text_values.find(name);
    if (found == selected_->driver->text_values.end()) return std::nullopt;
    return found->second;
}

void profile_source_c::close_driver_key() { driver_key_open_ = false; }

bool profile_source_c::read_driver_rank(const device_c&, std::uint32_t& rank) {
    if (!selected_ || !selected_->driver || !selected_->driver->rank) return false;
    rank = *selected_->driver->rank;
    return true;
}

bool profile_source_c::read_status_known() { return selected_ && selected_->present; }
