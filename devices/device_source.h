// Where the inventory reads devices from: SetupAPI on Windows (setupapi_source_win.cpp), or a
// device profile (profile_source.cpp) for tests, the demo and the Linux CLI. A source offers the
// raw reads; what is required, what is optional and what is kept (device_properties.cpp,
// device_store.cpp) is the same over both.
#pragma once

#include "devices/device_record.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class device_step_c { device, end, failure };

enum class device_property_c {
    friendly_name,
    device_description,
    enumerator_name,
    class_name,
    class_guid,
    hardware_ids,
    compatible_ids,
};

class device_source_c {
public:
    virtual ~device_source_c() = default;

    // The setup classes in the system's order, with guid, guid_text, description and image
    // index filled (no name yet). False when the class list cannot be built.
    virtual bool build_class_list(std::vector<device_class_c>& classes) = 0;
    // Fills the class name; false when it cannot be read.
    virtual bool read_class_name(device_class_c& device_class) = 0;

    // Opens the set of devices (only present ones unless include_absent). False on failure.
    virtual bool open_devices(bool include_absent) = 0;
    // Selects the device at index for the reads below.
    virtual device_step_c select_device(std::int32_t index) = 0;
    virtual void close_devices() = 0;

    // Reads of the selected device; none when the value is missing or cannot be read.
    virtual std::optional<std::wstring> read_instance_id() = 0;
    virtual std::optional<std::wstring> read_text_property(device_property_c property) = 0;
    // The raw multi-string, ending in two NULs.
    virtual std::optional<std::wstring> read_multi_string_property(device_property_c property) = 0;

    // The selected device's driver key: open (false when it has none), read text values (none
    // for a missing value or one of another type than a plain string), close.
    virtual bool open_driver_key() = 0;
    virtual std::optional<std::wstring> read_driver_value(const wchar_t* name) = 0;
    virtual void close_driver_key() = 0;

    // The rank of the installed driver described by the record's inf_path; false when unknown.
    virtual bool read_driver_rank(const device_c& record, std::uint32_t& rank) = 0;
    // True when the Configuration Manager's status query for the device succeeded.
    virtual bool read_status_known() = 0;
};

// Fills instance_path, display_name, enumerator, class_name, class_guid and both ID lists; false
// at the first required item that is missing (the device is then not recorded).
bool read_device_properties(device_source_c& source, device_c& record);

// Fills the driver fields from the driver key; false when the key or a required value is missing
// (fields copied before it keep their text). The provider is optional.
bool read_driver_key(device_source_c& source, device_c& record);

// Fills driver_rank and driver_rank_known; on failure the rank is unknown (and 0).
bool read_driver_rank(device_source_c& source, device_c& record);

// The instance ID without its last backslash-separated component; none when there is no
// backslash or the only one is the first character.
std::optional<std::wstring> instance_path_from_id(const std::wstring& instance_id);

// The enumerator as Windows reports it: the first component of the instance ID.
std::wstring enumerator_from_instance_id(const std::wstring& instance_id);
