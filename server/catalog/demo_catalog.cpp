#include "server/catalog/demo_catalog.h"

#include "server/inf/code_page_encoder.h"
#include "server/catalog/driver_package_reader.h"
#include "server/catalog/package_archive_writer.h"
#include "server/catalog/package_signing.h"
#include "server/catalog/sqlite_catalog_store.h"
#include "server/inf/utf8_text.h"

#include <filesystem>

namespace {

const char* const display_guid = "{4d36e968-e325-11ce-bfc1-08002be10318}";
const char* const net_guid = "{4d36e972-e325-11ce-bfc1-08002be10318}";
const char* const media_guid = "{4d36e96c-e325-11ce-bfc1-08002be10318}";
const char* const system_guid = "{4d36e97d-e325-11ce-bfc1-08002be10318}";
const char* const hdc_guid = "{4d36e96a-e325-11ce-bfc1-08002be10318}";
const char* const usb_guid = "{36fc9e60-c465-11cf-8056-444553540000}";
const char* const bluetooth_guid = "{e0cbf06c-cd8b-4647-bb8a-263b43f0f974}";
const char* const xnadevice_guid = "{d61ca365-5af4-4486-998b-9db4734c6ca3}";

using signing = demo_package_c::signing_c;
using encoding = demo_package_c::inf_encoding_c;

std::vector<demo_package_c> make_packages() {
    const demo_model_c gtx1050ti{"NVIDIA GeForce GTX 1050 Ti", {"PCI\\VEN_10DE&DEV_1C82&SUBSYS_85C41043"}};
    const std::vector<demo_model_c> chipset{
        {"Intel(R) Z390 Chipset LPC/eSPI Controller - A305", {"PCI\\VEN_8086&DEV_A305"}},
        {"Intel(R) Management Engine Interface - A324", {"PCI\\VEN_8086&DEV_A324"}},
        {"Intel(R) 300 Series Thermal Subsystem - A379", {"PCI\\VEN_8086&DEV_A379"}},
        {"Intel(R) 300 Series SMBus Controller - A32C", {"PCI\\VEN_8086&DEV_A32C"}},
    };
    return {
        // Newer than the installed display driver, and an older one for the same card.
        {"nvidia-display-441.66-win7-x64.zip", "Display", display_guid, "NVIDIA", "NVIDIA", "12/10/2019",
         "26.21.14.4166", "NTamd64.6.1", {gtx1050ti}, -1, signing::whql},
        {"nvidia-display-391.35-win7-x64.zip", "Display", display_guid, "NVIDIA", "NVIDIA", "03/23/2018",
         "23.21.13.9135", "NTamd64.6.1", {gtx1050ti}, -1, signing::whql},
        // The same newer driver for 32-bit Windows only.
        {"nvidia-display-441.66-win7-x86.zip", "Display", display_guid, "NVIDIA", "NVIDIA", "12/10/2019",
         "26.21.14.4166", "NTx86.6.1", {gtx1050ti}, -1, signing::whql},
        // Newer chipset drivers; one release for Windows 7 and later, one for Windows 8 and later,
        // one (undecorated) for 32-bit Windows XP.
        {"intel-chipset-10.1.17.3-win7-x64.zip", "System", system_guid, "INTEL", "Intel", "09/24/2018", "10.1.17.3",
         "NTamd64.6.1", chipset, -1, signing::whql},
        {"intel-chipset-10.1.18.2-win8-x64.zip", "System", system_guid, "INTEL", "Intel", "02/11/2019", "10.1.18.2",
         "NTamd64.6.2", chipset, -1, signing::whql},
        {"intel-chipset-9.1.1.1025-xp.zip", "System", system_guid, "INTEL", "Intel", "07/01/2010", "9.1.1.1025", "",
         chipset, -1, signing::whql},
        // The installed audio driver again: neither newer nor older.
        {"realtek-audio-6.0.8716.1-x64.zip", "MEDIA", media_guid, "Realtek Semiconductor Corp.", "Realtek",
         "07/05/2019", "6.0.8716.1", "NTamd64.6.1",
         {{"Realtek High Definition Audio", {"HDAUDIO\\FUNC_01&VEN_10EC&DEV_1220&SUBSYS_10438694"}}}, -1, signing::whql},
        // An older network driver, for both architectures.
        {"intel-lan-12.15.22.6-win7.zip", "Net", net_guid, "Intel", "Intel", "06/20/2017", "12.15.22.6",
         "NTx86.6.1,NTamd64.6.1",
         {{"Intel(R) Ethernet Connection (7) I219-V", {"PCI\\VEN_8086&DEV_15BC&SUBSYS_86721043"}}}, -1, signing::whql},
        // Wireless: a signed newer release and an unsigned beta that is newer still.
        {"intel-wifi-21.60.2-win7-x64.zip", "Net", net_guid, "Intel", "Intel", "11/05/2019", "21.60.2.1",
         "NTamd64.6.1", {{"Intel(R) Wireless-AC 9560", {"PCI\\VEN_8086&DEV_A370&SUBSYS_00348086"}}}, -1, signing::whql},
        {"intel-wifi-21.70.0-beta-x64.zip", "Net", net_guid, "Intel", "Intel", "01/20/2020", "21.70.0.3",
         "NTamd64.6.1", {{"Intel(R) Wireless-AC 9560", {"PCI\\VEN_8086&DEV_A370&SUBSYS_00348086"}}}, -1, signing::none},
        // Bluetooth: older than the installed driver but with a better feature score.
        {"intel-bluetooth-21.10.1-x64.zip", "Bluetooth", bluetooth_guid, "Intel Corporation", "Intel", "05/02/2019",
         "21.10.1.1", "NTamd64.6.1", {{"Intel(R) Wireless Bluetooth(R)", {"USB\\VID_8087&PID_0AAA"}}}, 0x80, signing::whql},
        // Graphics: one INF for Windows 7 and for Windows 10.
        {"intel-graphics-26.20.100.7262-x64.zip", "Display", display_guid, "Intel Corporation", "Intel",
         "08/27/2019", "26.20.100.7262", "NTamd64.6.1,NTamd64.10.0",
         {{"Intel(R) UHD Graphics 630", {"PCI\\VEN_8086&DEV_3E98"}}}, -1, signing::whql},
        // Windows 10 only, from build 17763 on, and one for a build no Windows has yet: the first
        // is offered to a Windows 10 PC (Wine reports build 18362), the second to none.
        {"intel-graphics-27.20.100.8681-win10-x64.zip", "Display", display_guid, "Intel Corporation", "Intel",
         "09/17/2020", "27.20.100.8681", "NTamd64.10.0...17763",
         {{"Intel(R) UHD Graphics 630", {"PCI\\VEN_8086&DEV_3E98"}}}, -1, signing::whql},
        {"intel-graphics-31.0.101.5000-future-x64.zip", "Display", display_guid, "Intel Corporation", "Intel",
         "12/01/2023", "31.0.101.5000", "NTamd64.10.0...99999",
         {{"Intel(R) UHD Graphics 630", {"PCI\\VEN_8086&DEV_3E98"}}}, -1, signing::whql},
        // The game controller that has no driver installed.
        {"xbox360-controller-2.1.0.1349-x64.zip", "XnaComposite", xnadevice_guid, "Microsoft", "Microsoft",
         "08/13/2009", "2.1.0.1349", "NTamd64",
         {{"Xbox 360 Controller for Windows", {"USB\\VID_045E&PID_028E"}}}, -1, signing::other},
        // A hub driver that matches only the hub's compatible ID "USB\Class_09".
        {"genesys-usb-hub-3.2.0-x64.zip", "USB", usb_guid, "Genesys Logic", "Genesys Logic", "01/15/2020",
         "3.2.0.0", "NTamd64.6.1", {{"Generic USB 2.0 Hub", {"USB\\Class_09"}}}, -1, signing::other},
        // Localised packages: the receiver's in a UTF-16 INF, the SATA controller's in an 8-bit
        // one, the I2C controller's in Russian.
        {"logitech-unifying-2.50.25-x64.zip", "USB", usb_guid, "Logitech", "Logitech Europe S.A.", "03/12/2019",
         "2.50.25.0", "NTamd64.6.1", {{"Périphérique Logitech® Unifying für USB", {"USB\\VID_046D&PID_C52B"}}}, -1,
         signing::whql, encoding::utf16},
        {"intel-rst-ahci-17.8.0-x64-de.zip", "HDC", hdc_guid, "Intel", "Intel", "11/20/2019", "17.8.0.1065", "NTamd64.6.1",
         {{"Intel® SATA-AHCI-Controller für Chipsätze der 300er-Serie", {"PCI\\VEN_8086&DEV_A352&CC_0106"}}}, -1,
         signing::whql, encoding::windows_1252},
        {"intel-serialio-30.100.1915-x64-ru.zip", "System", system_guid, "Intel", "Корпорация Intel", "04/10/2019",
         "30.100.1915.1", "NTamd64.6.1", {{"Контроллер узла I2C Intel® Serial IO - A368", {"PCI\\VEN_8086&DEV_A368"}}}, -1,
         signing::whql, encoding::utf16},
    };
}

std::string catalog_name(const demo_package_c& package) {
    std::string stem = package.file_name.substr(0, package.file_name.rfind('.'));
    return stem.substr(0, stem.find('-')) + ".cat";
}

std::string driver_name(const demo_package_c& package) {
    std::string stem = package.file_name.substr(0, package.file_name.rfind('.'));
    return stem.substr(0, stem.find('-')) + ".sys";
}

std::string catalog_bytes(const demo_package_c& package) {
    // Stands in for a signed catalog: DER framing around the signer's name, which is all the
    // catalog import reads.
    std::string signer = package.signing == signing::whql ? "Microsoft Windows Hardware Compatibility Publisher"
                                                          : package.provider + " Driver Signing";
    return std::string("\x30\x82\x01\x00\x06\x09\x2a\x86\x48\x86\xf7\x0d\x01\x07\x02", 15) + signer + "\n" +
           package.file_name + "\n";
}

std::string driver_bytes(const demo_package_c& package) {
    std::string bytes("MZ\x90\x00", 4);
    for (int i = 0; i < 4096; ++i) bytes += char((i * 131 + int(package.file_name.size()) * 7) & 0xFF);
    return bytes + package.driver_version;
}

}  // namespace

const std::vector<demo_package_c>& demo_packages() {
    static const std::vector<demo_package_c> packages = make_packages();
    return packages;
}

std::string demo_inf_text(const demo_package_c& package) {
    std::string inf = "; " + package.provider + " " + package.models.front().description + " driver\n";
    inf += "[Version]\nSignature=\"$Windows NT$\"\nClass=" + package.class_name + "\nClassGuid=" + package.class_guid;
    inf += "\nProvider=%ProviderName%\nDriverVer=" + package.driver_date + "," + package.driver_version + "\n";
    if (package.signing != signing::none) inf += "CatalogFile=" + catalog_name(package) + "\n";
    inf += "\n[Manufacturer]\n%ManufacturerName%=Models";
    if (!package.decorations.empty()) inf += "," + package.decorations;
    inf += "\n";
    std::vector<std::string> sections;
    if (package.decorations.empty()) {
        sections.push_back("Models");
    } else {
        std::string rest = package.decorations;
        while (!rest.empty()) {
            std::size_t comma = rest.find(',');
            sections.push_back("Models." + rest.substr(0, comma));
            rest = comma == std::string::npos ? "" : rest.substr(comma + 1);
        }
    }
    std::string strings = "\n[Strings]\nProviderName=\"" + package.provider + "\"\nManufacturerName=\"" +
                          package.manufacturer + "\"\n";
    for (const std::string& section : sections) {
        inf += "\n[" + section + "]\n";
        for (std::size_t m = 0; m < package.models.size(); ++m) {
            inf += "%Device" + std::to_string(m) + ".Desc%=Driver_Install";
            for (const std::string& id : package.models[m].device_ids) inf += ", " + id;
            inf += "\n";
        }
    }
    for (std::size_t m = 0; m < package.models.size(); ++m)
        strings += "Device" + std::to_string(m) + ".Desc=\"" + package.models[m].description + "\"\n";
    inf += "\n[Driver_Install]\nCopyFiles=Driver_Files\n";
    if (package.feature_score >= 0) {
        char score[16];
        std::snprintf(score, sizeof score, "0x%02X", package.feature_score);
        inf += std::string("FeatureScore=") + score + "\n";
    }
    inf += "\n[Driver_Install.Services]\nAddService=" + driver_name(package).substr(0, driver_name(package).size() - 4) +
           ",0x00000002,Service_Install\n";
    inf += "\n[Service_Install]\nServiceType=1\nStartType=3\nErrorControl=1\nServiceBinary=%12%\\" + driver_name(package) + "\n";
    inf += "\n[Driver_Files]\n" + driver_name(package) + "\n";
    inf += "\n[DestinationDirs]\nDefaultDestDir=12\n";
    inf += "\n[SourceDisksNames]\n1=%DiskName%\n\n[SourceDisksFiles]\n" + driver_name(package) + "=1\n";
    strings += "DiskName=\"" + package.provider + " Installation Disk\"\n";
    return inf + strings;
}

std::string demo_inf_bytes(const demo_package_c& package) {
    std::string text = demo_inf_text(package), bytes;
    if (package.inf_encoding == encoding::windows_1252) {
        code_page_encoder_c::for_code_page(1252).append(bytes, text);
        return bytes;
    }
    auto append_unit = [&bytes](char32_t unit) {
        bytes += char(unit & 0xFF);
        bytes += char(unit >> 8);
    };
    bytes = "\xFF\xFE";
    std::size_t at = 0;
    char32_t character = 0;
    while (at < text.size()) {
        if (!next_utf8_character(text, at, character)) character = 0xFFFD;
        if (character >= 0x10000) {
            append_unit(0xD800 + ((character - 0x10000) >> 10));
            append_unit(0xDC00 + ((character - 0x10000) & 0x3FF));
        } else {
            append_unit(character);
        }
    }
    return bytes;
}

bool build_demo_catalog(const std::string& packages_folder, const std::string& catalog_path, std::string& error,
                        const signing_key_c* key) {
    std::error_code code;
    std::filesystem::create_directories(packages_folder, code);
    if (code) {
        error = "cannot create " + packages_folder + ": " + code.message();
        return false;
    }
    auto store = sqlite_catalog_store_c::open(catalog_path, true, error);
    if (!store) return false;
    std::vector<catalog_package_c> packages;
    for (const demo_package_c& demo : demo_packages()) {
        std::string folder = demo.file_name.substr(0, demo.file_name.rfind('.')) + "/";
        std::vector<archive_member_c> members{{folder + "driver/" + driver_name(demo), driver_bytes(demo)},
                                              {folder + "driver/" + "setup.inf", demo_inf_bytes(demo)}};
        if (demo.signing != signing::none) members.push_back({folder + "driver/" + catalog_name(demo), catalog_bytes(demo)});
        std::string archive = packages_folder + "/" + demo.file_name;
        if (!write_zip_archive(archive, members, error)) return false;
        catalog_package_c package;
        if (!read_driver_package(archive, {}, package, error)) return false;
        if (key && !sign_package(package, *key)) return error = package.file_name + ": no digest to sign", false;
        packages.push_back(std::move(package));
    }
    return store->add_packages(packages, error);
}
