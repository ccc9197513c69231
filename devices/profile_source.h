// A device source over a device profile: the simulated PC as SetupAPI would report it.
#pragma once

#include "devices/device_profile.h"
#include "devices/device_source.h"

class profile_source_c : public device_source_c {
public:
    explicit profile_source_c(device_profile_c profile);

    bool build_class_list(std::vector<device_class_c>& classes) override;
    bool read_class_name(device_class_c& device_class) override;
    bool open_devices(bool include_absent) override;
    device_step_c select_device(std::int32_t index) override;
    void close_devices() override;
    std::optional<std::wstring> read_instance_id() override;
    std::optional<std::wstring> read_text_property(device_property_c property) override;
    std::optional<std::wstring> read_multi_string_property(device_property_c property) override;
    bool open_driver_key() override;
    std::optional<std::wstring> read_driver_value(const wchar_t* name) override;
    void close_driver_key() override;
    bool read_driver_rank(const device_c& record, std::uint32_t& rank) override;
    bool read_status_known() override;

private:
    device_profile_c profile_;
    std::vector<const profile_device_c*> open_set_;
    const profile_device_c* selected_ = nullptr;
    bool driver_key_open_ = false;
};
