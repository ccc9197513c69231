// A simulated PC: setup classes and devices with their properties and driver keys, read from a
// JSON device profile. The same profile feeds the profile-backed device source (tests, demo, the
// Linux CLI) and the fixture that registers the devices into a Wine prefix through SetupAPI.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct profile_class_c {
    std::wstring guid;         // "{...}" text form
    std::wstring name;         // empty: the name cannot be read
    std::wstring description;
};

struct profile_driver_c {
    // Driver key values; a value given as a JSON number stands for one of another registry type.
    std::map<std::wstring, std::wstring> text_values;
    std::map<std::wstring, std::uint32_t> number_values;
    std::optional<std::uint32_t> rank;
};

struct profile_device_c {
    std::wstring instance_id;
    std::optional<std::wstring> class_name;
    std::optional<std::wstring> class_guid;
    std::optional<std::wstring> friendly_name;
    std::optional<std::wstring> description;
    std::optional<std::wstring> enumerator;  // none: the platform does not report it
    std::optional<std::vector<std::wstring>> hardware_ids;
    std::optional<std::vector<std::wstring>> compatible_ids;
    bool present = true;
    std::optional<profile_driver_c> driver;
};

struct device_profile_c {
    std::vector<profile_class_c> classes;
    std::vector<profile_device_c> devices;
};

// Parses a profile; on failure returns false with a message naming what is wrong.
bool parse_device_profile(const std::string& json_text, device_profile_c& profile, std::string& error);
bool load_device_profile(const std::filesystem::path& path, device_profile_c& profile, std::string& error);
