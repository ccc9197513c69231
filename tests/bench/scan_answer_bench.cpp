// Benchmark (not a test): CPU time to read and answer one realistic scan request (300 devices,
// 10 IDs each) against a generated catalog of 100,000 packages.
#include "server/scan_answer_writer.h"
#include "server/synthetic_catalog.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr std::size_t catalog_size = 100000;

const catalog_index_c& shared_index() {
    static const catalog_index_c index(synthetic_packages(catalog_size, 1));
    return index;
}

void read_request(benchmark::State& state) {
    std::string document = synthetic_request_document(300, 10, catalog_size, 1);
    for (auto _ : state) {
        scan_request_c request;
        request_failure_c failure;
        benchmark::DoNotOptimize(parse_request_document(document, request_limits_c{}, request, failure));
    }
}

void match_and_write(benchmark::State& state) {
    const catalog_index_c& index = shared_index();
    scan_request_c request;
    request_failure_c failure;
    parse_request_document(synthetic_request_document(300, 10, catalog_size, 1), request_limits_c{}, request, failure);
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

}  // namespace

BENCHMARK(read_request)->Unit(benchmark::kMicrosecond);
BENCHMARK(match_and_write)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
