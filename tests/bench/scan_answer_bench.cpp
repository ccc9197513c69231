// Benchmark (not a test): CPU time to read and answer one realistic scan request (300 devices,
// 10 IDs each) against a generated catalog, 100,000 packages unless VANTOREL_BENCH_PACKAGES says.
#include "common/sha256.h"
#include "server/scan_answer_writer.h"
#include "server/scan_endpoint.h"
#include "server/synthetic_catalog.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

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

}  // namespace

BENCHMARK(read_request)->Unit(benchmark::kMicrosecond);
BENCHMARK(match_and_write)->Unit(benchmark::kMicrosecond);
BENCHMARK(match_and_write_signed)->Unit(benchmark::kMicrosecond);
BENCHMARK(match_and_write_varied)->Unit(benchmark::kMicrosecond);
BENCHMARK(whole_request)->Unit(benchmark::kMicrosecond);
BENCHMARK(hostile_identical_devices)->Unit(benchmark::kMicrosecond);
BENCHMARK(hostile_repeated_ids)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
