#include "server/catalog/synthetic_catalog.h"

#include <cstdarg>
#include <cstdio>
#include <random>

namespace {

struct pci_identity_c {
    unsigned vendor, device, subsystem;
};

// Package k's device: spread over a handful of real vendor IDs, device IDs from k itself.
pci_identity_c identity_of(std::size_t k) {
    static const unsigned vendors[] = {0x8086, 0x10DE, 0x1002, 0x10EC, 0x14E4, 0x1B21, 0x168C, 0x1969};
    unsigned mixed = unsigned((k * 2654435761u) >> 7);
    return {vendors[k % 8], unsigned(k / 8) & 0xFFFF, mixed};
}

__attribute__((format(printf, 1, 2))) std::string format(const char* pattern, ...) {
    char text[96];
    va_list arguments;
    va_start(arguments, pattern);
    std::vsnprintf(text, sizeof text, pattern, arguments);
    va_end(arguments);
    return text;
}

}  // namespace

std::vector<catalog_package_c> synthetic_packages(std::size_t count, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<catalog_package_c> packages;
    packages.reserve(count);
    for (std::size_t k = 0; k < count; ++k) {
        pci_identity_c id = identity_of(k);
        catalog_package_c package;
        package.file_name = "synthetic-" + std::to_string(k) + ".zip";
        package.title = format("Vendor %04X device %04X driver", id.vendor, id.device);
        package.md5 = format("%08x%08x", unsigned(k), seed) + "0000000000000000";
        package.size = 100000 + random() % 50000000;
        package.sign = int(random() % 4 == 0 ? signature_other : signature_whql);
        unsigned year = 2012 + random() % 12, month = 1 + random() % 12, day = 1 + random() % 28;
        char date[16];
        std::snprintf(date, sizeof date, "%04u-%02u-%02u", year, month, day);
        package.infs.push_back({"driver/device.inf", format("Vendor %04X", id.vendor), "{4d36e97d-e325-11ce-bfc1-08002be10318}",
                                date, format("%u.%u.0.", year - 2000, month) + std::to_string(random() % 10000), {}});
        std::string specific = format("PCI\\VEN_%04X&DEV_%04X&SUBSYS_%08X", id.vendor, id.device, id.subsystem);
        std::string general = format("PCI\\VEN_%04X&DEV_%04X", id.vendor, id.device);
        std::string description = format("Synthetic device %04X:%04X", id.vendor, id.device);
        // One [Manufacturer] line; every fourth also names a Windows 10 section (left empty), as
        // INF files for several versions do, so that its decorations are weighed on every match.
        package.models_lines.push_back({0, k % 4 == 3 ? "NTamd64.6.1,NTamd64.10.0...17763,NTx86.6.1" : "NTamd64.6.1,NTx86.6.1"});
        for (const char* architecture : {"amd64", "x86"}) {
            for (const std::string* device_id : {&specific, &general}) {
                catalog_entry_c entry;
                entry.device_id = *device_id;
                entry.architecture = architecture;
                entry.os_major = 6;
                entry.os_minor = 1;
                entry.description = description;
                entry.manufacturer = package.infs.front().provider;
                entry.decoration = std::string("NT") + architecture + ".6.1";
                entry.models_line = 0;
                package.entries.push_back(std::move(entry));
            }
        }
        packages.push_back(std::move(package));
    }
    return packages;
}

std::string synthetic_request_document(std::size_t devices, std::size_t ids_per_device, std::size_t catalog_size,
                                       std::uint32_t seed) {
    if (ids_per_device == 0) ids_per_device = 1;
    std::mt19937 random(seed ^ 0x5A5A5A5Au);
    std::string document = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<kelvdoc>\n\t<action>ACTION_UPDATE_DRIVER</action>\n"
                           "\t<client version=\"\" os=\"WIN764\" lang=\"437\" model=\"Synthetic PC\" />\n\t<hardwares>\n";
    for (std::size_t i = 0; i < devices; ++i) {
        bool known = catalog_size > 0 && i % 3 == 0;
        pci_identity_c id = known ? identity_of(random() % catalog_size) : pci_identity_c{0xABCD, unsigned(i), unsigned(random())};
        std::vector<std::string> ids{
            format("PCI\\VEN_%04X&DEV_%04X&SUBSYS_%08X&REV_01", id.vendor, id.device, id.subsystem),
            format("PCI\\VEN_%04X&DEV_%04X&SUBSYS_%08X", id.vendor, id.device, id.subsystem),
            format("PCI\\VEN_%04X&DEV_%04X&CC_020000", id.vendor, id.device),
            format("PCI\\VEN_%04X&DEV_%04X&CC_0200", id.vendor, id.device),
            format("PCI\\VEN_%04X&DEV_%04X&REV_01", id.vendor, id.device),
            format("PCI\\VEN_%04X&DEV_%04X", id.vendor, id.device),
            format("PCI\\VEN_%04X&CC_020000", id.vendor),
            format("PCI\\VEN_%04X&CC_0200", id.vendor),
            format("PCI\\VEN_%04X", id.vendor),
            "PCI\\CC_020000",
            "PCI\\CC_0200",
        };
        if (ids.size() > ids_per_device) ids.resize(ids_per_device);
        std::size_t hardware = ids.size() < 4 ? ids.size() : 4;
        std::string hardids, compids;
        for (std::size_t n = 0; n < ids.size(); ++n) {
            std::string& list = n < hardware ? hardids : compids;
            if (!list.empty()) list += '\n';
            list += ids[n];
        }
        document += "\t\t<hardware>\n\t\t\t<id>\n\t\t\t\t<![CDATA[" + ids[0] + "\\4&" + std::to_string(i) +
                    "&0&00E4]]>\n\t\t\t</id>\n\t\t\t<matchid>\n\t\t\t\t<![CDATA[]]>\n\t\t\t</matchid>\n";
        document += "\t\t\t<hardids>\n\t\t\t\t<![CDATA[" + hardids + "]]>\n\t\t\t</hardids>\n";
        if (!compids.empty()) document += "\t\t\t<compids>\n\t\t\t\t<![CDATA[" + compids + "]]>\n\t\t\t</compids>\n";
        document += "\t\t</hardware>\n";
    }
    return document + "\t</hardwares>\n</kelvdoc>\n";
}
