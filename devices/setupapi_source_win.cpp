// The device source of the running Windows: setup classes and devices through SetupAPI, driver
// keys through the registry, driver ranks through the driver list, node status through the
// Configuration Manager; and the system class image list that the device store owns.
#include "common/fixed_text.h"
#include "common/registry_key_win.h"
#include "common/wine_detection_win.h"
#include "devices/driver_rank_wine_win.h"
#include "devices/installed_inf_win.h"
#include "devices/setupapi_handles_win.h"
#include "devices/system_source.h"

#include <cfgmgr32.h>
#include <commctrl.h>
#include <objbase.h>

#include <iterator>
#include <vector>

namespace {

class_guid_c to_class_guid(const GUID& guid) {
    class_guid_c out;
    out.data1 = guid.Data1;
    out.data2 = guid.Data2;
    out.data3 = guid.Data3;
    for (int i = 0; i < 8; ++i) out.data4[i] = guid.Data4[i];
    return out;
}

GUID to_guid(const class_guid_c& guid) {
    GUID out{};
    out.Data1 = guid.data1;
    out.Data2 = guid.data2;
    out.Data3 = guid.data3;
    for (int i = 0; i < 8; ++i) out.Data4[i] = guid.data4[i];
    return out;
}

DWORD property_code(device_property_c property) {
    switch (property) {
        case device_property_c::friendly_name: return SPDRP_FRIENDLYNAME;
        case device_property_c::device_description: return SPDRP_DEVICEDESC;
        case device_property_c::enumerator_name: return SPDRP_ENUMERATOR_NAME;
        case device_property_c::class_name: return SPDRP_CLASS;
        case device_property_c::class_guid: return SPDRP_CLASSGUID;
        case device_property_c::hardware_ids: return SPDRP_HARDWAREID;
        case device_property_c::compatible_ids: return SPDRP_COMPATIBLEIDS;
    }
    return SPDRP_MAXIMUM_PROPERTY;
}

// The device instance ID: a 513-unit buffer first, one reallocation to the required size.
std::optional<std::wstring> read_instance_path(HDEVINFO set, SP_DEVINFO_DATA& device) {
    std::vector<wchar_t> buffer(513, L'\0');
    DWORD required = 0;
    if (!SetupDiGetDeviceInstanceIdW(set, &device, buffer.data(), 512, &required)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
        buffer.assign(std::size_t(required) + 1, L'\0');
        if (!SetupDiGetDeviceInstanceIdW(set, &device, buffer.data(), required, nullptr)) return std::nullopt;
    }
    return std::wstring(buffer.data());
}

// A registry property of the device: the first buffer of first_bytes, one reallocation when the
// value is larger and of the expected type, then terminated with terminators NULs at its size.
std::optional<std::wstring> read_property(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD code, DWORD expected_type,
                                          DWORD first_bytes, std::size_t terminators, DWORD& error) {
    std::vector<wchar_t> buffer(first_bytes / sizeof(wchar_t) + terminators, L'\0');
    DWORD type = 0, size = 0;
    // Some platforms fail a property they do not know without saying why.
    SetLastError(ERROR_SUCCESS);
    if (!SetupDiGetDeviceRegistryPropertyW(set, &device, code, &type, reinterpret_cast<BYTE*>(buffer.data()),
                                           first_bytes, &size)) {
        error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER || type != expected_type) return std::nullopt;
        DWORD bytes = size - size % sizeof(wchar_t);
        buffer.assign(bytes / sizeof(wchar_t) + terminators, L'\0');
        if (!SetupDiGetDeviceRegistryPropertyW(set, &device, code, &type, reinterpret_cast<BYTE*>(buffer.data()), bytes,
                                               &size)) {
            error = GetLastError();
            return std::nullopt;
        }
    }
    std::size_t units = size / sizeof(wchar_t);
    if (units + terminators > buffer.size()) units = buffer.size() - terminators;
    for (std::size_t i = 0; i < terminators; ++i) buffer[units + i] = L'\0';
    return std::wstring(buffer.data(), units + terminators);
}

std::optional<std::wstring> read_text_property(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD code, DWORD& error) {
    auto raw = read_property(set, device, code, REG_SZ, 1024, 1, error);
    if (!raw) return std::nullopt;
    return std::wstring(raw->c_str());
}

std::optional<std::wstring> read_multi_string_property(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD code) {
    DWORD error;
    auto raw = read_property(set, device, code, REG_MULTI_SZ, 8192, 2, error);
    if (!raw) return std::nullopt;
    // Keep the strings up to and including the list's closing pair of NULs.
    std::size_t end = raw->find(std::wstring(2, L'\0'));
    if (end == 0) return std::wstring(2, L'\0');
    return raw->substr(0, end + 2);
}

// The platform does not know the property at all (Wine lacks the enumerator name and fails
// without setting an error).
bool property_unsupported(DWORD error) {
    return error == ERROR_SUCCESS || error == ERROR_INVALID_REG_PROPERTY || error == ERROR_INVALID_DATA || error == ERROR_NOT_SUPPORTED ||
           error == ERROR_CALL_NOT_IMPLEMENTED;
}

// The rank Windows gives the installed driver: a driver list of that driver alone, built from
// the one INF it was installed from (DI_ENUMSINGLEINF takes the INF's full path, not the bare
// name the driver key keeps), and the install parameters of its entry. Never called under Wine,
// whose SetupDiGetDriverInstallParamsW ends the whole process.
bool read_installed_driver_rank(HDEVINFO set, SP_DEVINFO_DATA& device, const wchar_t* inf_name, std::uint32_t& rank) {
    std::wstring inf = installed_inf_path(inf_name);
    SP_DEVINSTALL_PARAMS_W params{};
    params.cbSize = sizeof params;
    if (inf.empty() || inf.size() >= std::size(params.DriverPath)) return false;
    if (!SetupDiGetDeviceInstallParamsW(set, &device, &params)) return false;
    params.Flags |= DI_ENUMSINGLEINF;
    params.FlagsEx |= DI_FLAGSEX_INSTALLEDDRIVER | DI_FLAGSEX_ALLOWEXCLUDEDDRVS;
    copy_text(params.DriverPath, std::wstring_view(inf));
    if (!SetupDiSetDeviceInstallParamsW(set, &device, &params)) return false;
    if (!SetupDiBuildDriverInfoList(set, &device, SPDIT_COMPATDRIVER)) return false;
    driver_list_guard_c guard(set, &device);
    SP_DRVINFO_DATA_V2_W driver{};
    driver.cbSize = sizeof driver;
    if (!SetupDiEnumDriverInfoW(set, &device, SPDIT_COMPATDRIVER, 0, &driver)) return false;
    SP_DRVINSTALL_PARAMS driver_params{};
    driver_params.cbSize = sizeof driver_params;
    if (!SetupDiGetDriverInstallParamsW(set, &device, &driver, &driver_params)) return false;
    rank = driver_params.Rank;
    return true;
}

class setupapi_source_c : public device_source_c {
public:
    bool build_class_list(std::vector<device_class_c>& classes) override {
        classes.clear();
        std::vector<GUID> guids;
        DWORD required = 0;
        while (!SetupDiBuildClassInfoList(0, guids.empty() ? nullptr : guids.data(), DWORD(guids.size()), &required)) {
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
            guids.resize(required);
        }
        guids.resize(required);
        for (const GUID& guid : guids) {
            device_class_c record;
            record.guid = to_class_guid(guid);
            wchar_t description[256] = {};
            if (SetupDiGetClassDescriptionW(&guid, description, 256, nullptr)) copy_text(record.description, description);
            StringFromGUID2(guid, record.guid_text, 39);
            // The image index comes from the store's class image list (device_store.cpp).
            classes.push_back(record);
        }
        return true;
    }

    bool read_class_name(device_class_c& device_class) override {
        GUID guid = to_guid(device_class.guid);
        std::vector<wchar_t> name(1024, L'\0');
        DWORD required = 0;
        while (!SetupDiClassNameFromGuidW(&guid, name.data(), DWORD(name.size()), &required)) {
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || required <= name.size()) return false;
            name.assign(required, L'\0');
        }
        copy_text(device_class.name, name.data());
        return true;
    }

    bool open_devices(bool include_absent) override {
        DWORD flags = include_absent ? DIGCF_ALLCLASSES : DIGCF_ALLCLASSES | DIGCF_PRESENT;
        set_.reset(SetupDiGetClassDevsW(nullptr, nullptr, nullptr, flags));
        return bool(set_);
    }

    device_step_c select_device(std::int32_t index) override {
        device_ = SP_DEVINFO_DATA{};
        device_.cbSize = sizeof device_;
        if (SetupDiEnumDeviceInfo(set_.get(), DWORD(index), &device_)) return device_step_c::device;
        return GetLastError() == ERROR_NO_MORE_ITEMS ? device_step_c::end : device_step_c::failure;
    }

    void close_devices() override { set_.reset(); }

    std::optional<std::wstring> read_instance_id() override { return read_instance_path(set_.get(), device_); }

    std::optional<std::wstring> read_text_property(device_property_c property) override {
        DWORD error = ERROR_SUCCESS;
        auto text = ::read_text_property(set_.get(), device_, property_code(property), error);
        if (!text && property == device_property_c::enumerator_name && property_unsupported(error)) {
            // What Windows reports for it: the first component of the instance ID.
            if (auto id = read_instance_id()) return enumerator_from_instance_id(*id);
        }
        return text;
    }

    std::optional<std::wstring> read_multi_string_property(device_property_c property) override {
        return ::read_multi_string_property(set_.get(), device_, property_code(property));
    }

    bool open_driver_key() override {
        HKEY key = SetupDiOpenDevRegKey(set_.get(), &device_, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
        // The call reports failure as INVALID_HANDLE_VALUE, which is no key to close.
        driver_key_.reset(key == INVALID_HANDLE_VALUE ? nullptr : key);
        return bool(driver_key_);
    }

    std::optional<std::wstring> read_driver_value(const wchar_t* name) override {
        if (!driver_key_) return std::nullopt;
        return driver_key_.read_text(name);
    }

    void close_driver_key() override { driver_key_.reset(); }

    bool read_driver_rank(const device_c& record, std::uint32_t& rank) override {
        // Wine aborts the process in SetupDiGetDriverInstallParamsW: there the rank is worked out
        // from the installed INF as Windows ranks drivers.
        if (running_on_wine()) return read_installed_driver_rank_from_inf(set_.get(), device_, record.inf_path, rank);
        return read_installed_driver_rank(set_.get(), device_, record.inf_path, rank);
    }

    bool read_status_known() override {
        ULONG status = 0, problem = 0;
        return CM_Get_DevNode_Status(&status, &problem, device_.DevInst, 0) == CR_SUCCESS;
    }

private:
    device_info_set_c set_;
    SP_DEVINFO_DATA device_{};
    registry_key_c driver_key_;
};

struct image_list_traits_c {
    using handle = HIMAGELIST;
    static HIMAGELIST invalid() { return nullptr; }
    static void close(HIMAGELIST list) { ImageList_Destroy(list); }
};

using image_list_c = unique_handle_c<image_list_traits_c>;

// The system class image list. Wine 8 only stubs the class image calls (no list, no class icons);
// there every class gets one generic image, as Windows gives a class it has no image for the
// image of the unknown class.
class system_class_images_c : public class_images_c {
public:
    system_class_images_c() {
        if (system_.valid() || !running_on_wine()) return;
        generic_.reset(ImageList_Create(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                        ILC_COLOR32 | ILC_MASK, 1, 0));
        if (generic_ && ImageList_AddIcon(generic_.get(), LoadIconW(nullptr, IDI_APPLICATION)) != 0) generic_.reset();
    }

    bool valid() const { return system_.valid() || generic_.valid(); }
    HIMAGELIST handle() const { return system_.valid() ? system_.data()->ImageList : generic_.get(); }

    bool image_index(const class_guid_c& guid, std::int32_t& index) const override {
        if (generic_) {
            index = 0;
            return true;
        }
        if (!system_.valid()) return false;
        GUID system_guid = to_guid(guid);
        int image = 0;
        if (!SetupDiGetClassImageIndex(system_.data(), &system_guid, &image)) return false;
        index = image;
        return true;
    }

private:
    // The lookup takes the list data by non-const pointer but only reads it.
    mutable class_image_list_c system_;
    image_list_c generic_;
};

}  // namespace

std::unique_ptr<device_source_c> make_system_device_source() { return std::make_unique<setupapi_source_c>(); }

std::unique_ptr<class_images_c> make_system_class_images() {
    auto images = std::make_unique<system_class_images_c>();
    if (!images->valid()) return nullptr;
    return images;
}

HIMAGELIST class_image_list(const class_images_c* images) {
    auto system = dynamic_cast<const system_class_images_c*>(images);
    return system ? system->handle() : nullptr;
}
