#include "devices/device_json.h"

#include "common/text_convert.h"

namespace {

nlohmann::ordered_json id_list_json(const std::wstring& multi) {
    auto list = nlohmann::ordered_json::array();
    for (const auto& id : split_multi_string(multi)) list.push_back(wide_to_utf8(id));
    return list;
}

}  // namespace

nlohmann::ordered_json device_json(const device_c& record) {
    return {
        {"instance_path", wide_to_utf8(record.instance_path)},
        {"class_name", wide_to_utf8(record.class_name)},
        {"class_guid", wide_to_utf8(record.class_guid)},
        {"display_name", wide_to_utf8(record.display_name)},
        {"enumerator", wide_to_utf8(record.enumerator)},
        {"hardware_ids", id_list_json(record.hardware_ids)},
        {"compatible_ids", id_list_json(record.compatible_ids)},
        {"instance_count", record.instance_count},
        {"inf_path", wide_to_utf8(record.inf_path)},
        {"driver_date", wide_to_utf8(record.driver_date)},
        {"driver_description", wide_to_utf8(record.driver_description)},
        {"driver_version", wide_to_utf8(record.driver_version)},
        {"driver_provider", wide_to_utf8(record.driver_provider)},
        {"matching_device_id", wide_to_utf8(record.matching_device_id)},
        {"driver_rank", record.driver_rank},
        {"driver_rank_known", record.driver_rank_known},
        {"has_driver", record.has_driver},
        {"status_known", record.status_known},
        {"device_class", record.device_class ? wide_to_utf8(record.device_class->name) : std::string()},
    };
}

nlohmann::ordered_json device_class_json(const device_class_c& device_class) {
    return {
        {"guid", wide_to_utf8(device_class.guid_text)},
        {"name", wide_to_utf8(device_class.name)},
        {"description", wide_to_utf8(device_class.description)},
        {"image_index", device_class.image_index},
    };
}

nlohmann::ordered_json store_json(const device_store_c& store, const enumeration_progress_c& progress,
                                  failure_code_c failure) {
    nlohmann::ordered_json out;
    out["total"] = progress.total.load();
    out["scanned"] = progress.scanned.load();
    out["last_error"] = failure_number(failure);
    out["devices"] = nlohmann::ordered_json::array();
    for (const auto& record : store.devices) out["devices"].push_back(device_json(record));
    out["classes"] = nlohmann::ordered_json::array();
    for (const auto& device_class : store.classes) out["classes"].push_back(device_class_json(device_class));
    return out;
}
