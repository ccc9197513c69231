#include "server/catalog/package_inf_records.h"

void add_inf_records(catalog_package_c& package, std::string inf_path, const inf_driver_info_c& info) {
    auto inf_index = std::uint32_t(package.infs.size());
    package.infs.push_back({std::move(inf_path), info.provider, info.class_guid, info.driver_date, info.driver_version, {}});
    const std::size_t first_line = package.models_lines.size();
    for (const inf_models_line_c& line : info.models_lines) package.models_lines.push_back({inf_index, line.decorations});
    for (const inf_model_entry_c& model : info.models) {
        catalog_entry_c entry;
        entry.inf_index = inf_index;
        entry.device_id = model.device_id;
        entry.id_position = model.id_position;
        entry.architecture = model.architecture;
        entry.os_major = model.os_major;
        entry.os_minor = model.os_minor;
        entry.description = model.description;
        entry.manufacturer = model.manufacturer;
        entry.feature_score = model.feature_score;
        entry.decoration = model.decoration;
        entry.models_line = int(first_line + model.models_line);
        package.entries.push_back(std::move(entry));
    }
}
