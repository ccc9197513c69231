// What a scan of the default simulated PC against the demo catalog must give on 64-bit
// Windows 7 (os_version_number 61), worked out by hand from the catalog's packages (see
// server/catalog/demo_catalog.cpp) and the profile's installed drivers, not from any output.
#pragma once

#include "common/fixed_text.h"
#include "devices/device_store.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

struct demo_expectation_c {
    const wchar_t* device;        // the instance path or its start
    std::uint32_t items;
    const wchar_t* best_version;  // null: no offer at all
    bool best_is_update;
    const wchar_t* latest_version;
    bool latest_is_update;
};

// With the profile's driver ranks (0xFF0000 and 0xFF2000 and the like: signature level 0 and
// feature level 255 on Windows 7):
// - graphics card: 441.66 is later than the installed 11/2019 driver, the 32-bit build is not
//   offered; chipset: 10.1.17.3 is later than 10.1.17.1 (the Windows 8 and XP releases are not
//   offered); graphics 26.20.100.7262 is later; audio is the same date and version; LAN is older;
// - wireless: the signed 21.60 wins the best choice over the unsigned beta, which is the latest;
// - Bluetooth: older, but its feature score 0x80 beats the installed driver's 255;
// - the game controller has no driver: an update in both modes;
// - the hub's offer matches a compatible ID; signed by others (1) where the installed driver is
//   WHQL (0), so not the best update, but later, so the latest one;
// - the localised packages, all WHQL without a feature score and dated after the installed
//   drivers: the receiver's and the SATA controller's name another hardware ID than the inbox
//   drivers matched (usb\composite, pci\cc_010601), which makes them updates; the I2C
//   controller's names the ID the installed driver matched, and its date (2019-04-10 against
//   2018-10-12) makes it an update.
inline const std::vector<demo_expectation_c> demo_expectations_profile_ranks{
    {L"PCI\\VEN_10DE&DEV_1C82", 2, L"26.21.14.4166", true, L"26.21.14.4166", true},
    {L"PCI\\VEN_8086&DEV_A305", 1, L"10.1.17.3", true, L"10.1.17.3", true},
    {L"PCI\\VEN_8086&DEV_A324", 1, L"10.1.17.3", true, L"10.1.17.3", true},
    {L"PCI\\VEN_8086&DEV_A379", 1, L"10.1.17.3", true, L"10.1.17.3", true},
    {L"PCI\\VEN_8086&DEV_A32C", 1, L"10.1.17.3", true, L"10.1.17.3", true},
    {L"PCI\\VEN_8086&DEV_3E98", 1, L"26.20.100.7262", true, L"26.20.100.7262", true},
    {L"HDAUDIO\\FUNC_01&VEN_10EC", 1, L"6.0.8716.1", false, L"6.0.8716.1", false},
    {L"PCI\\VEN_8086&DEV_15BC", 1, L"12.15.22.6", false, L"12.15.22.6", false},
    {L"PCI\\VEN_8086&DEV_A370", 2, L"21.60.2.1", true, L"21.70.0.3", true},
    {L"USB\\VID_8087&PID_0AAA", 1, L"21.10.1.1", true, L"21.10.1.1", false},
    {L"USB\\VID_045E&PID_028E", 1, L"2.1.0.1349", true, L"2.1.0.1349", true},
    {L"USB\\VID_05E3&PID_0610", 1, L"3.2.0.0", false, L"3.2.0.0", true},
    {L"USB\\VID_046D&PID_C52B", 1, L"2.50.25.0", true, L"2.50.25.0", true},
    {L"PCI\\VEN_8086&DEV_A352", 1, L"17.8.0.1065", true, L"17.8.0.1065", true},
    {L"PCI\\VEN_8086&DEV_A368", 1, L"30.100.1915.1", true, L"30.100.1915.1", true},
    {L"USB\\ROOT_HUB30", 0, nullptr, false, nullptr, false},
    {L"PCI\\VEN_8086&DEV_A323", 0, nullptr, false, nullptr, false},
};

// The same devices registered into Windows without their INF files in the driver store: the
// installed driver's rank cannot be read and is unknown, so the best choice is judged as the
// latest one is, by date and then version (the signature and feature levels of a rank that was
// never read say nothing). Where both choices name the same package they agree; the wireless
// card's signed 21.60 (best) is later than its installed driver too.
inline const std::vector<demo_expectation_c> demo_expectations_unknown_ranks{
    {L"PCI\\VEN_10DE&DEV_1C82", 2, L"26.21.14.4166", true, L"26.21.14.4166", true},
    {L"PCI\\VEN_8086&DEV_A305", 1, L"10.1.17.3", true, L"10.1.17.3", true},
    {L"PCI\\VEN_8086&DEV_A324", 1, L"10.1.17.3", true, L"10.1.17.3", true},
    {L"PCI\\VEN_8086&DEV_A379", 1, L"10.1.17.3", true, L"10.1.17.3", true},
    {L"PCI\\VEN_8086&DEV_A32C", 1, L"10.1.17.3", true, L"10.1.17.3", true},
    {L"PCI\\VEN_8086&DEV_3E98", 1, L"26.20.100.7262", true, L"26.20.100.7262", true},
    {L"HDAUDIO\\FUNC_01&VEN_10EC", 1, L"6.0.8716.1", false, L"6.0.8716.1", false},
    {L"PCI\\VEN_8086&DEV_15BC", 1, L"12.15.22.6", false, L"12.15.22.6", false},
    {L"PCI\\VEN_8086&DEV_A370", 2, L"21.60.2.1", true, L"21.70.0.3", true},
    {L"USB\\VID_8087&PID_0AAA", 1, L"21.10.1.1", false, L"21.10.1.1", false},
    {L"USB\\VID_045E&PID_028E", 1, L"2.1.0.1349", true, L"2.1.0.1349", true},
    {L"USB\\VID_05E3&PID_0610", 1, L"3.2.0.0", true, L"3.2.0.0", true},
    {L"USB\\VID_046D&PID_C52B", 1, L"2.50.25.0", true, L"2.50.25.0", true},
    {L"PCI\\VEN_8086&DEV_A352", 1, L"17.8.0.1065", true, L"17.8.0.1065", true},
    {L"PCI\\VEN_8086&DEV_A368", 1, L"30.100.1915.1", true, L"30.100.1915.1", true},
    {L"USB\\ROOT_HUB30", 0, nullptr, false, nullptr, false},
    {L"PCI\\VEN_8086&DEV_A323", 0, nullptr, false, nullptr, false},
};

// Checks every listed device; devices of the demo PC that are not listed must have no offers
// either (15 devices with offers in all).
inline void expect_demo_outcome(const device_store_c& store, const std::vector<demo_expectation_c>& expectations) {
    std::size_t with_items = 0;
    for (const device_c& device : store.devices) with_items += device.item_count > 0;
    EXPECT_EQ(with_items, 15u);
    for (const auto& expected : expectations) {
        const device_c* found = nullptr;
        // The device whose path is the text, otherwise the first that starts with it.
        for (const device_c& device : store.devices) {
            if (std::wcscmp(device.instance_path, expected.device) == 0) {
                found = &device;
                break;
            }
            if (!found && std::wcsncmp(device.instance_path, expected.device, std::wcslen(expected.device)) == 0) found = &device;
        }
        std::string name(expected.device, expected.device + std::wcslen(expected.device));
        ASSERT_NE(found, nullptr) << name;
        EXPECT_EQ(found->item_count, expected.items) << name;
        if (!expected.best_version) {
            EXPECT_EQ(found->best_item(), nullptr) << name;
            EXPECT_EQ(found->latest_item(), nullptr) << name;
            EXPECT_FALSE(found->best_is_update || found->latest_is_update) << name;
            continue;
        }
        ASSERT_NE(found->best_item(), nullptr) << name;
        ASSERT_NE(found->latest_item(), nullptr) << name;
        EXPECT_EQ(found->best_item()->version, expected.best_version) << name;
        EXPECT_EQ(found->best_is_update, expected.best_is_update) << name;
        EXPECT_EQ(found->latest_item()->version, expected.latest_version) << name;
        EXPECT_EQ(found->latest_is_update, expected.latest_is_update) << name;
    }
}

// A client's inventory for the demo catalog's localised packages: the Unifying receiver under the
// given instance path (one that ends beyond ASCII shows that ids come back as they went, and that
// the reader takes them byte for byte), the SATA and the I2C controller.
inline device_store_c localised_demo_devices(const wchar_t* receiver_path) {
    auto device = [](const wchar_t* path, std::vector<std::wstring> hardware_ids) {
        device_c record;
        copy_text(record.instance_path, path);
        record.hardware_ids = make_multi_string(hardware_ids);
        return record;
    };
    device_store_c store;
    store.devices = {
        device(receiver_path, {L"USB\\VID_046D&PID_C52B&REV_2411", L"USB\\VID_046D&PID_C52B"}),
        device(L"PCI\\VEN_8086&DEV_A352&SUBSYS_86941043&REV_10\\3&11583659&0&B8", {L"PCI\\VEN_8086&DEV_A352&CC_0106"}),
        device(L"PCI\\VEN_8086&DEV_A368&SUBSYS_86941043&REV_10\\3&11583659&0&A8", {L"PCI\\VEN_8086&DEV_A368"}),
    };
    return store;
}

// What a client reads of those packages, whatever its code page: the texts of their INF files.
inline void expect_localised_demo_texts(const device_store_c& store) {
    const wchar_t* expected[3][2] = {
        {L"Périphérique Logitech® Unifying für USB", L"Logitech Europe S.A."},
        {L"Intel® SATA-AHCI-Controller für Chipsätze der 300er-Serie", L"Intel"},
        {L"Контроллер узла I2C Intel® Serial IO - A368", L"Корпорация Intel"},
    };
    ASSERT_EQ(store.devices.size(), 3u);
    for (std::size_t d = 0; d < 3; ++d) {
        const device_c& device = store.devices[d];
        ASSERT_EQ(device.item_count, 1u) << "device " << d;
        EXPECT_EQ(device.items[0].description, expected[d][0]) << "device " << d;
        EXPECT_EQ(device.items[0].manufacturer, expected[d][1]) << "device " << d;
        EXPECT_EQ(std::wstring(device.items[0].title), std::wstring(expected[d][0]) + L" driver " + device.items[0].version);
    }
}
