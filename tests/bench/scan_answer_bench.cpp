// Benchmark (not a test): CPU time to read and answer one realistic scan request (300 devices,
// 10 IDs each) against a generated catalog, 100,000 packages unless VANTOREL_BENCH_PACKAGES says;
// and on the program's side, reading and matching a real-shaped answer (300 devices with 10 items
// each) beside TinyXML's parse of it alone (--benchmark_filter=client).
#include "common/sha256.h"
#include "server/scan/scan_answer_writer.h"
#include "server/scan/scan_endpoint.h"
#include "server/catalog/synthetic_catalog.h"
#include "service/update_service.h"

#include <benchmark/benchmark.h>
#include <tinyxml.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

std::size_t catalog_size() {
    const char* packages = std::getenv("VANTOREL_BENCH_PACKAGES");
    return packages ? std::strtoull(packages, nullptr, 10) : 100000;
}

const catalog_index_c& shared_index() {
    static const catalog_index_c index(synthetic_packages(catalog_size(), 1));
    return index;
}

void read_request(benchmark::State& state) {
    std::string document = synthetic_request_document(300, 10, catalog_size(), 1);
    for (auto _ : state) {
        scan_request_c request;
        request_failure_c failure;
        benchmark::DoNotOptimize(parse_request_document(document, request_limits_c{}, request, failure));
    }
}

// The same catalog signed by its owner: every item carries a digest and a signature (made-up
// bytes: the writer does not check them).
const catalog_index_c& signed_index() {
    static const catalog_index_c index([] {
        std::vector<catalog_package_c> packages = synthetic_packages(catalog_size(), 1);
        for (catalog_package_c& package : packages) {
            package.sha256 = digest_hex(sha256_of(package.file_name));
            for (catalog_inf_c& inf : package.infs) inf.signature = package.sha256 + package.sha256;
        }
        return packages;
    }());
    return index;
}

void match_and_write_in(benchmark::State& state, const catalog_index_c& index) {
    scan_request_c request;
    request_failure_c failure;
    parse_request_document(synthetic_request_document(300, 10, catalog_size(), 1), request_limits_c{}, request, failure);
    answer_settings_c settings;
    settings.package_base_url = "http://127.0.0.1:8080/packages/";
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string answer = write_scan_answer(request, index, settings);
        bytes = answer.size();
        benchmark::DoNotOptimize(answer.data());
    }
    state.counters["answer_bytes"] = double(bytes);
    state.counters["catalog_entries"] = double(index.entry_count());
}

void match_and_write(benchmark::State& state) { match_and_write_in(state, shared_index()); }
void match_and_write_signed(benchmark::State& state) { match_and_write_in(state, signed_index()); }

// Different machines one after another, as a server meets them: the catalog's records are not
// in the cache from the request before.
void match_and_write_varied(benchmark::State& state) {
    const catalog_index_c& index = shared_index();
    constexpr std::uint32_t machines = 64;
    std::vector<scan_request_c> requests(machines);
    for (std::uint32_t m = 0; m < machines; ++m) {
        request_failure_c failure;
        parse_request_document(synthetic_request_document(300, 10, catalog_size(), m + 1), request_limits_c{}, requests[m], failure);
    }
    answer_settings_c settings;
    settings.package_base_url = "http://127.0.0.1:8080/packages/";
    std::size_t next = 0;
    for (auto _ : state) {
        std::string answer = write_scan_answer(requests[next++ % machines], index, settings);
        benchmark::DoNotOptimize(answer.data());
    }
}

// The whole request as the server gets it: the posted form, inflating, reading, matching, writing.
void answer_whole(benchmark::State& state, const std::string& document) {
    const catalog_index_c& index = shared_index();
    uLongf size = compressBound(uLong(document.size()));
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(document.data()), uLong(document.size()));
    packed.resize(size);
    std::string body = "--b\r\nContent-Disposition: form-data; name=\"kelvdoc\"\r\n\r\n" + packed + "\r\n--b--\r\n";
    answer_settings_c settings;
    settings.package_base_url = "http://127.0.0.1:8080/packages/";
    unsigned status = 0;
    for (auto _ : state) {
        scan_reply_c reply = answer_scan_request("multipart/form-data; boundary=b", body, index, settings, request_limits_c{},
                                                 (5u << 20) - 1);
        status = reply.status;
        benchmark::DoNotOptimize(reply.body.data());
    }
    state.counters["posted_bytes"] = double(body.size());
    state.counters["status"] = status;
}

void whole_request(benchmark::State& state) { answer_whole(state, synthetic_request_document(300, 10, catalog_size(), 1)); }

// Hostile requests of a few kilobytes: the first device of a realistic request 4,096 times, and
// one device naming its first ID 4,096 times. Compare their time with whole_request's.
std::string first_device_repeated(bool whole_device) {
    std::string document = synthetic_request_document(1, 10, catalog_size(), 1);
    std::size_t begin = document.find("<hardware>"), end = document.find("</hardwares>");
    std::string device = document.substr(begin, end - begin), repeated;
    if (whole_device) {
        for (int i = 0; i < 4096; ++i) repeated += device;
    } else {
        std::size_t ids = device.find("<![CDATA[", device.find("<hardids>")) + 9;
        std::string id = device.substr(ids, device.find_first_of("\n]", ids) - ids);
        for (int i = 0; i < 4096; ++i) repeated += (i ? "\n" : "") + id;
        device = "<hardware><id>X</id><hardids><![CDATA[" + repeated + "]]></hardids></hardware>";
        repeated = device;
    }
    return document.substr(0, begin) + repeated + document.substr(end);
}

void hostile_identical_devices(benchmark::State& state) { answer_whole(state, first_device_repeated(true)); }
void hostile_repeated_ids(benchmark::State& state) { answer_whole(state, first_device_repeated(false)); }

// A machine of 300 devices, each offered 10 packages of a catalog made for it, and the answer the
// server writes for it: 3,000 items of about 450 bytes.
struct answered_machine_c {
    std::string answer;
    std::vector<device_c> devices;
    std::size_t items = 0;
};

const answered_machine_c& answered_machine() {
    static const answered_machine_c machine = [] {
        constexpr std::size_t devices = 300, per_device = 10;
        auto specific = [](std::size_t d) {
            char id[64];
            std::snprintf(id, sizeof id, "PCI\\VEN_8086&DEV_%04X&SUBSYS_%08X", unsigned(0x4000 + d), unsigned(0x10431000 + d));
            return std::string(id);
        };
        auto general = [&](std::size_t d) { return specific(d).substr(0, 21); };
        std::vector<catalog_package_c> packages = synthetic_packages(devices * per_device, 1);
        for (std::size_t k = 0; k < packages.size(); ++k)
            for (catalog_entry_c& entry : packages[k].entries)
                entry.device_id = entry.device_id.size() > 21 ? specific(k % devices) : general(k % devices);
        const catalog_index_c index(packages);
        std::string document = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<kelvdoc>\n\t<action>ACTION_UPDATE_DRIVER</action>\n"
                               "\t<client version=\"\" os=\"WIN764\" lang=\"437\" model=\"PC\" />\n\t<hardwares>\n";
        answered_machine_c out;
        for (std::size_t d = 0; d < devices; ++d) {
            const std::string path = specific(d) + "&REV_01\\4&" + std::to_string(d) + "&0&00E4";
            document += "\t\t<hardware>\n\t\t\t<id><![CDATA[" + path + "]]></id>\n\t\t\t<matchid><![CDATA[]]></matchid>\n"
                        "\t\t\t<hardids><![CDATA[" + specific(d) + "\n" + general(d) + "]]></hardids>\n\t\t</hardware>\n";
            device_c device;
            std::swprintf(device.instance_path, 200, L"%s", path.c_str());
            std::swprintf(device.matching_device_id, 200, L"%s", general(d).c_str());
            std::swprintf(device.driver_date, 11, L"2016-05-01");
            std::swprintf(device.driver_version, 65, L"16.5.0.100");
            device.driver_rank = 0x00FF0000;
            device.driver_rank_known = device.has_driver = true;
            out.devices.push_back(device);
        }
        scan_request_c request;
        request_failure_c failure;
        parse_request_document(document + "\t</hardwares>\n</kelvdoc>\n", request_limits_c{}, request, failure);
        answer_settings_c settings;
        settings.package_base_url = "http://127.0.0.1:8080/packages/";
        out.answer = write_scan_answer(request, index, settings);
        for (std::size_t at = out.answer.find("<item>"); at != std::string::npos; at = out.answer.find("<item>", at + 1))
            ++out.items;
        return out;
    }();
    return machine;
}

void client_tinyxml_parse(benchmark::State& state) {
    const answered_machine_c& machine = answered_machine();
    for (auto _ : state) {
        TiXmlDocument document;
        document.Parse(machine.answer.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
        benchmark::DoNotOptimize(document.RootElement());
    }
    state.counters["answer_bytes"] = double(machine.answer.size());
    state.counters["items"] = double(machine.items);
}

// What the scan query does with an answer: reading it into the devices, choosing and judging.
void client_parse_and_match(benchmark::State& state) {
    const answered_machine_c& machine = answered_machine();
    device_store_c store;
    store.devices = machine.devices;
    update_service_c service;
    service.trust.allow_unsigned = true;
    service.installed_links_file = L"/nonexistent/setup.dat";
    machine_description_c described;
    described.os_version_number = 61;
    query_outcome_c outcome;
    for (auto _ : state) {
        outcome = apply_scan_answer(service, store, described, machine.answer);
        benchmark::DoNotOptimize(store.devices.data());
    }
    const bool read = outcome.succeeded();
    std::size_t updates = 0;
    for (const device_c& device : store.devices) updates += device.best_is_update;
    state.counters["read"] = read;
    state.counters["items"] = double(outcome.items_unsigned);
    state.counters["best_updates"] = double(updates);
}

}  // namespace

BENCHMARK(client_tinyxml_parse)->Unit(benchmark::kMillisecond);
BENCHMARK(client_parse_and_match)->Unit(benchmark::kMillisecond);
BENCHMARK(read_request)->Unit(benchmark::kMicrosecond);
BENCHMARK(match_and_write)->Unit(benchmark::kMicrosecond);
BENCHMARK(match_and_write_signed)->Unit(benchmark::kMicrosecond);
BENCHMARK(match_and_write_varied)->Unit(benchmark::kMicrosecond);
BENCHMARK(whole_request)->Unit(benchmark::kMicrosecond);
BENCHMARK(hostile_identical_devices)->Unit(benchmark::kMicrosecond);
BENCHMARK(hostile_repeated_ids)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
