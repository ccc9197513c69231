#include "server/http/server_metrics.h"

#include <cstdarg>
#include <cstdio>

namespace {

void line(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void line(std::string& out, const char* format, ...) {
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    int length = std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (length > 0) out.append(text, std::size_t(length) < sizeof text ? std::size_t(length) : sizeof text - 1);
    out += '\n';
}

}  // namespace

void server_metrics_c::count_request(unsigned status, std::uint64_t bytes) {
    std::size_t slot = statuses.size() - 1;
    for (std::size_t s = 0; s + 1 < statuses.size(); ++s)
        if (statuses[s] == status) slot = s;
    requests_[slot].fetch_add(1, std::memory_order_relaxed);
    bytes_.fetch_add(bytes, std::memory_order_relaxed);
}

void server_metrics_c::observe_answer(double seconds) {
    std::size_t bucket = 0;
    while (bucket < answer_buckets.size() && seconds > answer_buckets[bucket]) ++bucket;
    answers_[bucket].fetch_add(1, std::memory_order_relaxed);
    answer_microseconds_.fetch_add(std::uint64_t(seconds * 1e6), std::memory_order_relaxed);
}

std::string server_metrics_c::prometheus_text(const server_gauges_c& gauges) const {
    std::string out;
    line(out, "# HELP vantorel_requests_total HTTP requests answered, by status.");
    line(out, "# TYPE vantorel_requests_total counter");
    for (std::size_t s = 0; s < statuses.size(); ++s) {
        auto count = static_cast<unsigned long long>(requests_[s].load(std::memory_order_relaxed));
        if (statuses[s] == 0) line(out, "vantorel_requests_total{status=\"other\"} %llu", count);
        else line(out, "vantorel_requests_total{status=\"%u\"} %llu", statuses[s], count);
    }
    line(out, "# HELP vantorel_response_bytes_total Response body bytes sent.");
    line(out, "# TYPE vantorel_response_bytes_total counter");
    line(out, "vantorel_response_bytes_total %llu", static_cast<unsigned long long>(bytes_.load(std::memory_order_relaxed)));
    line(out, "# HELP vantorel_answer_seconds Time to read a scan request and write its answer.");
    line(out, "# TYPE vantorel_answer_seconds histogram");
    unsigned long long total = 0;
    for (std::size_t b = 0; b <= answer_buckets.size(); ++b) {
        total += answers_[b].load(std::memory_order_relaxed);
        if (b < answer_buckets.size()) line(out, "vantorel_answer_seconds_bucket{le=\"%g\"} %llu", answer_buckets[b], total);
        else line(out, "vantorel_answer_seconds_bucket{le=\"+Inf\"} %llu", total);
    }
    line(out, "vantorel_answer_seconds_sum %.6f", double(answer_microseconds_.load(std::memory_order_relaxed)) / 1e6);
    line(out, "vantorel_answer_seconds_count %llu", total);
    auto gauge = [&out](const char* name, const char* help, double value) {
        line(out, "# HELP %s %s", name, help);
        line(out, "# TYPE %s gauge", name);
        line(out, "%s %.17g", name, value);
    };
    gauge("vantorel_budget_bytes_in_use", "Request and answer bytes held at this moment.", double(gauges.budget_bytes_in_use));
    gauge("vantorel_budget_bytes", "The most request and answer bytes held at once.", double(gauges.budget_bytes));
    gauge("vantorel_answers_waiting", "Scan requests waiting for an answer thread.", double(gauges.answers_waiting));
    gauge("vantorel_catalog_packages", "Packages in the catalog being served.", double(gauges.packages));
    gauge("vantorel_catalog_device_ids", "Device ID entries in the catalog being served.", double(gauges.device_ids));
    gauge("vantorel_catalog_age_seconds", "Seconds since the catalog file being served was written.", gauges.catalog_age_seconds);
    gauge("vantorel_catalog_statement_expires_in_seconds",
          "Seconds until the catalog's signed statement expires (negative: expired, programs refuse the answers; 0: none).",
          gauges.statement_expires_in_seconds);
    line(out, "# HELP vantorel_catalog_loads_total Catalog loads, by outcome.");
    line(out, "# TYPE vantorel_catalog_loads_total counter");
    line(out, "vantorel_catalog_loads_total{outcome=\"loaded\"} %llu", static_cast<unsigned long long>(gauges.catalog_loads));
    line(out, "vantorel_catalog_loads_total{outcome=\"failed\"} %llu",
         static_cast<unsigned long long>(gauges.catalog_load_failures));
    gauge("vantorel_demoted_packages", "Packages no longer offered to a hardware ID, counted by pair.",
          double(gauges.demoted_pairs));
    gauge("vantorel_graduated_packages", "Packages imported into the testing channel and offered to everyone.",
          double(gauges.graduated_packages));
    line(out, "# HELP vantorel_reports_total Install reports, by whether they were taken.");
    line(out, "# TYPE vantorel_reports_total counter");
    line(out, "vantorel_reports_total{outcome=\"taken\"} %llu", static_cast<unsigned long long>(gauges.reports_taken));
    line(out, "vantorel_reports_total{outcome=\"refused\"} %llu", static_cast<unsigned long long>(gauges.reports_refused));
    return out;
}
