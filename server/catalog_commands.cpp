#include "server/catalog_commands.h"

#include "server/demo_catalog.h"
#include "server/driver_package_reader.h"
#include "server/sqlite_catalog_store.h"
#include "server/synthetic_catalog.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct arguments_c {
    std::map<std::string, std::string> options;
    std::vector<std::string> operands;
};

// "--name value" pairs and plain operands; every option takes a value.
bool split_arguments(int argc, char** argv, int first, arguments_c& out) {
    for (int i = first; i < argc; ++i) {
        if (std::strncmp(argv[i], "--", 2) == 0) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "vantorel-catalog: %s needs a value\n", argv[i]);
                return false;
            }
            out.options[argv[i] + 2] = argv[i + 1];
            ++i;
        } else {
            out.operands.push_back(argv[i]);
        }
    }
    return true;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "vantorel-catalog: %s\n", message.c_str());
    return 1;
}

std::string option(const arguments_c& arguments, const char* name, const std::string& fallback = {}) {
    auto found = arguments.options.find(name);
    return found == arguments.options.end() ? fallback : found->second;
}

std::unique_ptr<sqlite_catalog_store_c> open_store(const arguments_c& arguments, bool create, std::string& error) {
    std::string path = option(arguments, "catalog");
    if (path.empty()) {
        error = "--catalog FILE is required";
        return nullptr;
    }
    return sqlite_catalog_store_c::open(path, create, error);
}

// Archives are copied beside their final names first, so that no reader ever sees a half-written
// one under a package's name.
bool stage_archive(const std::string& source, const fs::path& partial, std::string& error) {
    std::error_code code;
    fs::create_directories(partial.parent_path(), code);
    fs::copy_file(source, partial, fs::copy_options::overwrite_existing, code);
    if (code) {
        fs::remove(partial, code);
        error = "cannot copy " + source + " to " + partial.string() + ": " + code.message();
        return false;
    }
    return true;
}

int import_packages(const arguments_c& arguments) {
    std::string error, folder = option(arguments, "packages");
    if (folder.empty()) return fail("--packages DIR is required");
    if (arguments.operands.empty()) return fail("name at least one package archive");
    package_options_c options;
    options.title = option(arguments, "title");
    options.official_link = option(arguments, "official-link");
    std::string sign = option(arguments, "sign");
    if (!sign.empty()) {
        if (sign != "0" && sign != "1" && sign != "3") return fail("--sign takes 0 (WHQL), 1 (other signature) or 3 (unsigned)");
        options.sign = sign[0] - '0';
    }
    // Every archive is read, and checked against the catalog, before anything changes: one
    // broken or conflicting package imports none.
    std::vector<catalog_package_c> packages;
    std::vector<std::string> sources;
    std::map<std::string, std::string> md5_by_name;
    for (const std::string& archive : arguments.operands) {
        catalog_package_c package;
        if (!read_driver_package(archive, options, package, error)) return fail(error);
        auto [named, fresh] = md5_by_name.emplace(package.file_name, package.md5);
        if (!fresh) {
            if (named->second != package.md5) return fail("two different archives are named " + package.file_name);
            continue;  // the same archive named twice
        }
        sources.push_back(archive);
        packages.push_back(std::move(package));
    }
    auto store = open_store(arguments, true, error);
    std::vector<catalog_package_c> existing;
    if (!store || !store->load_packages(existing, error)) return fail(error);
    for (const auto& known : existing) {
        auto clash = md5_by_name.find(known.file_name);
        if (clash != md5_by_name.end() && clash->second != known.md5)
            return fail("a different package named " + known.file_name + " is already in the catalog");
    }
    // The archives go in place before the catalog names them: a server never offers a package
    // whose file is missing, and an archive whose import fails afterwards is simply not offered.
    std::vector<fs::path> staged;
    auto unstage = [&staged] {
        std::error_code ignored;
        for (const auto& partial : staged) fs::remove(partial, ignored);
    };
    for (std::size_t i = 0; i < packages.size(); ++i) {
        staged.push_back(fs::path(folder) / (packages[i].file_name + ".part"));
        if (!stage_archive(sources[i], staged.back(), error)) return unstage(), fail(error);
    }
    for (std::size_t i = 0; i < packages.size(); ++i) {
        std::error_code code;
        fs::rename(staged[i], fs::path(folder) / packages[i].file_name, code);
        if (code) return unstage(), fail("cannot put " + packages[i].file_name + " in place: " + code.message());
    }
    if (!store->add_packages(packages, error)) return fail(error);
    for (const auto& package : packages)
        std::printf("imported %s: %zu INF file(s), %zu device IDs\n", package.file_name.c_str(), package.infs.size(),
                    package.entries.size());
    return 0;
}

int remove_packages(const arguments_c& arguments) {
    std::string error;
    auto store = open_store(arguments, false, error);
    if (!store) return fail(error);
    for (const std::string& name : arguments.operands) {
        if (!store->remove_package(name, error)) return fail(error);
        std::string folder = option(arguments, "packages");
        std::error_code ignored;
        if (!folder.empty() && valid_package_file_name(name)) fs::remove(fs::path(folder) / name, ignored);
        std::printf("removed %s\n", name.c_str());
    }
    return 0;
}

int list_packages(const arguments_c& arguments) {
    std::string error;
    auto store = open_store(arguments, false, error);
    std::vector<catalog_package_c> packages;
    if (!store || !store->load_packages(packages, error)) return fail(error);
    for (const auto& package : packages) {
        std::printf("%s\t%llu bytes\tsign %d\t%s\n", package.file_name.c_str(), static_cast<unsigned long long>(package.size),
                    package.sign, package.title.c_str());
        for (const auto& entry : package.entries) {
            const catalog_inf_c& inf = package.infs[entry.inf_index];
            std::printf("\t%s\t%s\t%s %d.%d\t%s %s\n", entry.device_id.c_str(), inf.inf_path.c_str(),
                        entry.architecture.c_str(), entry.os_major, entry.os_minor, inf.driver_date.c_str(),
                        inf.driver_version.c_str());
        }
    }
    return 0;
}

int demo(const arguments_c& arguments) {
    std::string error, folder = option(arguments, "packages"), catalog = option(arguments, "catalog");
    if (folder.empty() || catalog.empty()) return fail("demo needs --catalog FILE and --packages DIR");
    std::error_code ignored;
    fs::remove(catalog, ignored);
    if (!build_demo_catalog(folder, catalog, error)) return fail(error);
    std::printf("demo catalog: %zu packages in %s\n", demo_packages().size(), folder.c_str());
    return 0;
}

int synthetic(const arguments_c& arguments) {
    std::string error;
    std::size_t count = std::strtoull(option(arguments, "count", "100000").c_str(), nullptr, 10);
    auto seed = std::uint32_t(std::strtoul(option(arguments, "seed", "1").c_str(), nullptr, 10));
    std::error_code ignored;
    fs::remove(option(arguments, "catalog"), ignored);
    auto store = open_store(arguments, true, error);
    if (!store || !store->add_packages(synthetic_packages(count, seed), error)) return fail(error);
    std::printf("synthetic catalog: %zu packages\n", count);
    return 0;
}

// A posted scan request as the program sends it, for load generators: the multipart body with
// the boundary "vantorel-load-boundary".
int synthetic_request(const arguments_c& arguments) {
    std::size_t devices = std::strtoull(option(arguments, "devices", "300").c_str(), nullptr, 10);
    std::size_t ids = std::strtoull(option(arguments, "ids", "10").c_str(), nullptr, 10);
    std::size_t count = std::strtoull(option(arguments, "count", "100000").c_str(), nullptr, 10);
    auto seed = std::uint32_t(std::strtoul(option(arguments, "seed", "1").c_str(), nullptr, 10));
    std::string out = option(arguments, "out");
    if (out.empty()) return fail("--out FILE is required");
    std::string document = synthetic_request_document(devices, ids, count, seed);
    uLongf size = compressBound(uLong(document.size()));
    std::string compressed(size, '\0');
    if (compress(reinterpret_cast<Bytef*>(compressed.data()), &size, reinterpret_cast<const Bytef*>(document.data()),
                 uLong(document.size())) != Z_OK)
        return fail("cannot compress the request");
    compressed.resize(size);
    std::string body = "--vantorel-load-boundary\r\nContent-Disposition: form-data; name=\"kelvdoc\"\r\n\r\n" + compressed +
                       "\r\n--vantorel-load-boundary--\r\n";
    std::ofstream file(out, std::ios::binary);
    file.write(body.data(), std::streamsize(body.size()));
    if (!file) return fail("cannot write " + out);
    return 0;
}

}  // namespace

int run_catalog_tool(int argc, char** argv) {
    arguments_c arguments;
    if (argc < 2 || !split_arguments(argc, argv, 2, arguments)) {
        std::fprintf(stderr, "usage: vantorel-catalog import|remove|list|demo|synthetic|synthetic-request [options]\n");
        return 2;
    }
    std::string command = argv[1];
    if (command == "import") return import_packages(arguments);
    if (command == "remove") return remove_packages(arguments);
    if (command == "list") return list_packages(arguments);
    if (command == "demo") return demo(arguments);
    if (command == "synthetic") return synthetic(arguments);
    if (command == "synthetic-request") return synthetic_request(arguments);
    return fail("unknown command " + command);
}
