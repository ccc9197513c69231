// The server's counters, read by GET /metrics in the Prometheus text format: requests by
// status, scan answer times, bytes served; the gauges come from the server when asked.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

struct server_gauges_c {
    std::size_t budget_bytes_in_use = 0, budget_bytes = 0;
    std::size_t answers_waiting = 0;
    std::size_t packages = 0, device_ids = 0;
    double catalog_age_seconds = 0;
    double statement_expires_in_seconds = 0;  // of the catalog's signed statement; 0 without one
    std::uint64_t catalog_loads = 0, catalog_load_failures = 0;
    std::size_t demoted_pairs = 0;  // packages no longer offered to a hardware ID
    std::size_t graduated_packages = 0;  // imported into testing, offered to everyone
    std::uint64_t reports_taken = 0, reports_refused = 0;
};

class server_metrics_c {
public:
    static constexpr std::array<unsigned, 10> statuses{200, 206, 400, 404, 405, 413, 416, 500, 503, 0};  // 0: any other
    static constexpr std::array<double, 12> answer_buckets{0.001, 0.0025, 0.005, 0.01, 0.025, 0.05,
                                                            0.1,   0.25,   0.5,   1,    2.5,   5};

    void count_request(unsigned status, std::uint64_t bytes);
    void observe_answer(double seconds);
    std::string prometheus_text(const server_gauges_c& gauges) const;

private:
    std::array<std::atomic<std::uint64_t>, statuses.size()> requests_{};
    std::atomic<std::uint64_t> bytes_{0};
    std::array<std::atomic<std::uint64_t>, answer_buckets.size() + 1> answers_{};  // the last: above every bucket
    std::atomic<std::uint64_t> answer_microseconds_{0};
};
