// Catalogs the server tests serve: many packages for one generic ID, and the demo catalog behind
// an update server in this process; the catalog tool run in this process.
#pragma once

#include "server/catalog/catalog_commands.h"
#include "server/catalog/catalog_index.h"
#include "server/catalog/demo_catalog.h"
#include "server/catalog/sqlite_catalog_store.h"
#include "server/http/update_server.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// `count` packages that all name the same generic ID, as class codes are named; each line's
// description is the text followed by the package's number.
inline std::vector<catalog_package_c> generic_packages(std::size_t count, const std::string& description,
                                                       int os_major = 0) {
    std::vector<catalog_package_c> packages(count);
    for (std::size_t p = 0; p < count; ++p) {
        packages[p].file_name = "generic-" + std::to_string(p) + ".zip";
        packages[p].title = "Generic display driver " + std::to_string(p);
        packages[p].infs.push_back({"x.inf", "Maker", "{4d36e968-e325-11ce-bfc1-08002be10318}", "2020-01-01", "1.0.0.0", {}});
        catalog_entry_c entry;
        entry.device_id = "PCI\\CC_0300";
        entry.architecture = "amd64";
        entry.os_major = os_major;
        entry.description = description + std::to_string(p);
        packages[p].entries.push_back(entry);
    }
    return packages;
}

// The demo catalog built into the folder and served on a loopback port; null with the error.
inline std::unique_ptr<update_server_c> start_demo_server(const std::filesystem::path& folder, std::string& error) {
    const std::string packages = (folder / "packages").string(), catalog = (folder / "catalog.sqlite").string();
    if (!build_demo_catalog(packages, catalog, error)) return nullptr;
    std::vector<catalog_package_c> loaded;
    auto store = sqlite_catalog_store_c::open(catalog, false, error);
    if (!store || !store->load_packages(loaded, error)) return nullptr;
    server_settings_c settings;
    settings.packages_folder = packages;
    settings.log = nullptr;
    return update_server_c::start(settings, std::make_shared<const catalog_index_c>(std::move(loaded)), error);
}

// vantorel-catalog with these arguments; its exit status.
inline int catalog_tool(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "vantorel-catalog");
    std::vector<char*> pointers;
    for (auto& argument : arguments) pointers.push_back(argument.data());
    return run_catalog_tool(int(pointers.size()), pointers.data());
}

// The shared corpus of real INF files, beside this checkout when it has one.
inline std::filesystem::path inf_corpus_folder() {
    return std::filesystem::path(VANTOREL_SOURCE_DIR) / ".." / "shared" / "corpus" / "inf";
}
