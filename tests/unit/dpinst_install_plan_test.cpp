#include "dpinst/install_plan.h"

#include <gtest/gtest.h>

namespace {

driver_version_c installed_version(const wchar_t* date, const wchar_t* number) {
    driver_version_c v;
    parse_driver_date(date, v);
    parse_driver_version_number(number, v);
    return v;
}

installer_device_c installer_device(const wchar_t* hardware_id, const wchar_t* inf, std::optional<driver_version_c> installed) {
    installer_device_c d;
    d.instance_id = std::wstring(hardware_id) + L"\\0";
    d.ids.hardware_ids = {hardware_id};
    d.inf_name = inf;
    d.installed = installed;
    return d;
}

}  // namespace

TEST(dpinst_install_plan, matched_devices_get_the_package_when_it_is_newer_or_forced) {
    std::vector<inf_model_line_c> lines(2);
    lines[0].ids = {L"PCI\\VEN_1&DEV_1"};
    lines[1].ids = {L"PCI\\VEN_1&DEV_2", L"PCI\\VEN_1&DEV_3"};
    std::vector<installer_device_c> devices = {
        installer_device(L"PCI\\VEN_1&DEV_1", L"oem1.inf", installed_version(L"1-1-2020", L"1.0")),  // older: install
        installer_device(L"PCI\\VEN_9&DEV_9", L"oem2.inf", installed_version(L"1-1-2020", L"1.0")),  // no match
        installer_device(L"PCI\\VEN_1&DEV_2", L"oem3.inf", installed_version(L"1-1-2021", L"2.0")),  // same: not newer
        installer_device(L"PCI\\VEN_1&DEV_3", L"", std::nullopt),                          // no driver: install
        installer_device(L"PCI\\VEN_1&DEV_1", L"oem4.inf", std::nullopt),                  // version unknown
    };
    auto plan = plan_device_installs(installed_version(L"1/1/2021", L"2.0"), lines, devices, false);
    ASSERT_EQ(plan.size(), 4u);
    EXPECT_EQ(plan[0].device, 0u);
    EXPECT_TRUE(plan[0].install);
    EXPECT_EQ(plan[1].device, 2u);
    EXPECT_FALSE(plan[1].newer);
    EXPECT_FALSE(plan[1].install);
    EXPECT_EQ(plan[2].device, 3u);
    EXPECT_EQ(plan[2].matched_id, L"PCI\\VEN_1&DEV_3");
    EXPECT_EQ(plan[2].identifier, 0x1000u);
    EXPECT_TRUE(plan[2].install);
    EXPECT_TRUE(plan[3].install);

    auto forced = plan_device_installs(installed_version(L"1/1/2021", L"2.0"), lines, devices, true);
    EXPECT_TRUE(forced[1].install);
    EXPECT_FALSE(forced[1].newer);
}

TEST(dpinst_install_plan, each_installation_names_the_device_by_its_own_first_hardware_id) {
    std::vector<inf_model_line_c> lines(1);
    lines[0].ids = {L"PCI\\VEN_1&DEV_1", L"PCI\\CC_0300"};
    auto device = [](std::vector<std::wstring> hardware, std::vector<std::wstring> compatible) {
        installer_device_c d;
        d.ids.hardware_ids = std::move(hardware);
        d.ids.compatible_ids = std::move(compatible);
        return d;
    };
    std::vector<installer_device_c> devices = {
        device({L"PCI\\VEN_2&DEV_7&SUBSYS_1", L"PCI\\VEN_2&DEV_7"}, {L"PCI\\CC_0300"}),  // by a compatible ID
        device({L"PCI\\VEN_1&DEV_1&SUBSYS_5", L"PCI\\VEN_1&DEV_1"}, {}),                 // by its second ID
        device({L"pci\\ven_1&dev_1&subsys_5", L"pci\\ven_1&dev_1"}, {}),                 // the same device again
        device({}, {L"PCI\\CC_0300"}),                                                   // nothing of its own
    };
    auto plan = plan_device_installs(installed_version(L"1/1/2021", L"2.0"), lines, devices, false);
    ASSERT_EQ(plan.size(), 4u);
    EXPECT_EQ(plan[0].matched_id, L"PCI\\CC_0300");
    EXPECT_EQ(installation_ids(plan, devices),
              (std::vector<std::wstring>{L"PCI\\VEN_2&DEV_7&SUBSYS_1", L"PCI\\VEN_1&DEV_1&SUBSYS_5"}));
}
