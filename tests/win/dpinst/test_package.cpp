#include "tests/win/dpinst/test_package.h"

#include <fstream>
#include <system_error>

namespace {

void write_file(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

std::filesystem::path write_test_package(const std::filesystem::path& folder, const test_package_c& p) {
    std::string catalog = p.inf_name.substr(0, p.inf_name.find('.')) + ".cat";
    std::string inf =
        "; A test driver package for the simulated PC\r\n"
        "[Version]\r\n"
        "Signature=\"$WINDOWS NT$\"\r\n"
        "Class=" + p.device_class + "\r\n"
        "ClassGUID=" + p.class_guid + "\r\n"
        "Provider=%Vendor%\r\n"
        "DriverVer=" + p.driver_ver + "\r\n" +
        (p.catalog_named ? "CatalogFile=" + catalog + "\r\n" : std::string()) +
        "\r\n[SourceDisksNames]\r\n1=%Disk%,,,\\drivers\r\n"
        "\r\n[SourceDisksFiles]\r\n" + p.driver_file + "=1\r\n"
        "\r\n[DestinationDirs]\r\nDefaultDestDir=12\r\n"
        "\r\n[Manufacturer]\r\n%Vendor%=Models,NTamd64,NTamd64.6.1,NTx86\r\n"
        "\r\n[Models.NTamd64]\r\n%PassedOver%=Install,"  + p.hardware_id + "\r\n"
        "\r\n[Models.NTamd64.6.1]\r\n%Description%=Install,"  + p.hardware_id + "\r\n"
        "\r\n[Models.NTx86]\r\n%Description%=Install," + p.hardware_id + "\r\n"
        "\r\n[Install.NT]\r\nCopyFiles=Files\r\n"
        "\r\n[Files]\r\n" + p.driver_file + "\r\n"
        "\r\n[Strings]\r\nVendor=\"Vantorel Test\"\r\nDisk=\"Test disk\"\r\nDescription=\"" + p.description + "\"\r\n"
        "PassedOver=\"The section Windows 7 and later pass over\"\r\n";
    std::filesystem::path inf_path = folder / p.inf_name;
    write_file(inf_path, inf);
    if (p.driver_file_present) write_file(folder / "drivers" / p.driver_file, "not a real driver\n");
    if (p.catalog_named && p.catalog_present) write_file(folder / catalog, "catalog stand-in\n");
    return inf_path;
}

std::filesystem::path fresh_package_folder(const std::string& name) {
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "dpinst-tests" / name;
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    std::filesystem::create_directories(folder);
    return folder;
}
