#include "devices/device_profile.h"

#include "common/text_convert.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>

namespace {

using json = nlohmann::json;

class profile_error_c : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::wstring wide_text(const json& value, const std::string& where) {
    if (!value.is_string()) throw profile_error_c(where + " must be a string");
    return utf8_to_wide(value.get<std::string>());
}

std::optional<std::wstring> optional_text(const json& object, const char* key, const std::string& where) {
    auto found = object.find(key);
    if (found == object.end() || found->is_null()) return std::nullopt;
    return wide_text(*found, where + "." + key);
}

std::optional<std::vector<std::wstring>> optional_list(const json& object, const char* key, const std::string& where) {
    auto found = object.find(key);
    if (found == object.end() || found->is_null()) return std::nullopt;
    if (!found->is_array()) throw profile_error_c(where + "." + key + " must be a list of strings");
    std::vector<std::wstring> list;
    for (std::size_t i = 0; i < found->size(); ++i)
        list.push_back(wide_text((*found)[i], where + "." + key + "[" + std::to_string(i) + "]"));
    return list;
}

profile_driver_c read_driver(const json& value, const std::string& where) {
    if (!value.is_object()) throw profile_error_c(where + " must be an object");
    profile_driver_c driver;
    for (const auto& [name, entry] : value.items()) {
        if (name == "rank") {
            if (!entry.is_number_unsigned()) throw profile_error_c(where + ".rank must be a whole number");
            driver.rank = entry.get<std::uint32_t>();
        } else if (entry.is_string()) {
            driver.text_values[utf8_to_wide(name)] = utf8_to_wide(entry.get<std::string>());
        } else if (entry.is_number_unsigned()) {
            driver.number_values[utf8_to_wide(name)] = entry.get<std::uint32_t>();
        } else {
            throw profile_error_c(where + "." + name + " must be a string or a whole number");
        }
    }
    return driver;
}

profile_device_c read_device(const json& value, const std::string& where) {
    if (!value.is_object()) throw profile_error_c(where + " must be an object");
    profile_device_c device;
    auto id = value.find("instance_id");
    if (id == value.end()) throw profile_error_c(where + " has no instance_id");
    device.instance_id = wide_text(*id, where + ".instance_id");
    device.class_name = optional_text(value, "class", where);
    device.class_guid = optional_text(value, "class_guid", where);
    device.friendly_name = optional_text(value, "friendly_name", where);
    device.description = optional_text(value, "description", where);
    device.enumerator = optional_text(value, "enumerator", where);
    device.hardware_ids = optional_list(value, "hardware_ids", where);
    device.compatible_ids = optional_list(value, "compatible_ids", where);
    auto present = value.find("present");
    if (present != value.end()) {
        if (!present->is_boolean()) throw profile_error_c(where + ".present must be true or false");
        device.present = present->get<bool>();
    }
    auto driver = value.find("driver");
    if (driver != value.end() && !driver->is_null()) device.driver = read_driver(*driver, where + ".driver");
    return device;
}

profile_class_c read_class(const json& value, const std::string& where) {
    if (!value.is_object()) throw profile_error_c(where + " must be an object");
    profile_class_c device_class;
    auto guid = value.find("guid");
    if (guid == value.end()) throw profile_error_c(where + " has no guid");
    device_class.guid = wide_text(*guid, where + ".guid");
    device_class.name = optional_text(value, "name", where).value_or(L"");
    device_class.description = optional_text(value, "description", where).value_or(L"");
    return device_class;
}

}  // namespace

bool parse_device_profile(const std::string& json_text, device_profile_c& profile, std::string& error) {
    try {
        json document = json::parse(json_text);
        if (!document.is_object()) throw profile_error_c("the profile must be a JSON object");
        device_profile_c parsed;
        auto classes = document.find("classes");
        if (classes != document.end()) {
            if (!classes->is_array()) throw profile_error_c("classes must be a list");
            for (std::size_t i = 0; i < classes->size(); ++i)
                parsed.classes.push_back(read_class((*classes)[i], "classes[" + std::to_string(i) + "]"));
        }
        auto devices = document.find("devices");
        if (devices != document.end()) {
            if (!devices->is_array()) throw profile_error_c("devices must be a list");
            for (std::size_t i = 0; i < devices->size(); ++i)
                parsed.devices.push_back(read_device((*devices)[i], "devices[" + std::to_string(i) + "]"));
        }
        profile = std::move(parsed);
        return true;
    } catch (const json::exception& failure) {
        error = std::string("not a valid profile: ") + failure.what();
    } catch (const profile_error_c& failure) {
        error = failure.what();
    }
    return false;
}

bool load_device_profile(const std::filesystem::path& path, device_profile_c& profile, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open the profile " + path.u8string();
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (!parse_device_profile(text.str(), profile, error)) {
        error = path.u8string() + ": " + error;
        return false;
    }
    return true;
}
