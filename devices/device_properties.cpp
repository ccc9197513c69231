#include "common/fixed_text.h"
#include "devices/device_source.h"

bool read_device_properties(device_source_c& source, device_c& record) {
    std::optional<std::wstring> instance_id = source.read_instance_id();
    if (!instance_id) return false;
    std::optional<std::wstring> path = instance_path_from_id(*instance_id);
    if (!path) return false;
    copy_text(record.instance_path, std::wstring_view(*path));

    std::optional<std::wstring> name = source.read_text_property(device_property_c::friendly_name);
    if (!name) name = source.read_text_property(device_property_c::device_description);
    if (!name) return false;
    copy_text(record.display_name, std::wstring_view(*name));

    std::optional<std::wstring> enumerator = source.read_text_property(device_property_c::enumerator_name);
    if (!enumerator) return false;
    copy_text(record.enumerator, std::wstring_view(*enumerator));

    if (auto class_name = source.read_text_property(device_property_c::class_name))
        copy_text(record.class_name, std::wstring_view(*class_name));
    if (auto class_guid = source.read_text_property(device_property_c::class_guid))
        copy_text(record.class_guid, std::wstring_view(*class_guid));

    std::optional<std::wstring> hardware_ids = source.read_multi_string_property(device_property_c::hardware_ids);
    if (!hardware_ids) return false;
    record.hardware_ids = std::move(*hardware_ids);
    std::optional<std::wstring> compatible_ids = source.read_multi_string_property(device_property_c::compatible_ids);
    if (!compatible_ids) return false;
    record.compatible_ids = std::move(*compatible_ids);
    return true;
}

namespace {

template <std::size_t Capacity>
bool copy_driver_value(device_source_c& source, const wchar_t* name, wchar_t (&field)[Capacity]) {
    std::optional<std::wstring> value = source.read_driver_value(name);
    if (!value) return false;
    copy_text(field, std::wstring_view(*value));
    return true;
}

}  // namespace

bool read_driver_key(device_source_c& source, device_c& record) {
    if (!source.open_driver_key()) return false;
    bool complete = copy_driver_value(source, L"DriverVersion", record.driver_version) &&
                    copy_driver_value(source, L"InfPath", record.inf_path) &&
                    copy_driver_value(source, L"DriverDate", record.driver_date);
    if (complete) normalise_driver_date(record.driver_date);
    complete = complete && copy_driver_value(source, L"DriverDesc", record.driver_description) &&
               copy_driver_value(source, L"MatchingDeviceId", record.matching_device_id);
    if (complete) copy_driver_value(source, L"ProviderName", record.driver_provider);
    source.close_driver_key();
    return complete;
}

bool read_driver_rank(device_source_c& source, device_c& record) {
    std::uint32_t rank = 0;
    record.driver_rank = 0;
    record.driver_rank_known = false;
    if (!source.read_driver_rank(record, rank)) return false;
    record.driver_rank = rank;
    record.driver_rank_known = true;
    return true;
}

std::optional<std::wstring> instance_path_from_id(const std::wstring& instance_id) {
    std::size_t last = instance_id.rfind(L'\\');
    if (last == std::wstring::npos || last == 0) return std::nullopt;
    return instance_id.substr(0, last);
}

std::wstring enumerator_from_instance_id(const std::wstring& instance_id) {
    return instance_id.substr(0, instance_id.find(L'\\'));
}
