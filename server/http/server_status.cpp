// GET /health and GET /metrics: what a load balancer and a monitoring system ask.
#include "server/http/server_connection.h"

#include "common/catalog_statement.h"

#include <nlohmann/json.hpp>

#include <ctime>

namespace server_http {

namespace {

// The catalog in service, and whether the last load failed (the catalog before stays in service).
std::string health_text(update_server_c::state_c& state, unsigned& status) {
    served_catalog_c catalog = state.current();
    bool loaded = catalog.index && catalog.index->package_count() > 0;
    status = loaded ? MHD_HTTP_OK : MHD_HTTP_SERVICE_UNAVAILABLE;
    std::time_t now = std::time(nullptr);
    nlohmann::ordered_json health = {
        {"status", loaded ? "ok" : "no catalog"},
        {"packages", catalog.index ? catalog.index->package_count() : 0},
        {"device_ids", catalog.index ? catalog.index->entry_count() : 0},
        {"catalog_age_seconds", static_cast<long long>(catalog.written ? now - catalog.written : 0)},
    };
    // Programs refuse every answer once the statement has expired: the operator signs again before.
    const std::uint64_t serial = catalog.index ? catalog.index->statement_serial() : 0;
    if (serial)
        health["catalog_statement"] = {{"serial", serial},
                                       {"expires", utc_moment_text(catalog.index->statement_expires())},
                                       {"expires_in_seconds", static_cast<long long>(catalog.index->statement_expires() - now)}};
    else
        health["catalog_statement"] = nullptr;
    // Where reports are taken: how many, and what they demoted (the first hundred pairs).
    if (const std::shared_ptr<const report_verdicts_c> verdicts = state.verdicts_now()) {
        nlohmann::ordered_json pairs = nlohmann::ordered_json::array();
        for (const auto& [sha256, hardware_id] : verdicts->demoted) {
            if (pairs.size() == 100) break;
            pairs.push_back({{"package_sha256", sha256}, {"hardware_id", hardware_id}});
        }
        health["reports"] = {{"taken", state.reports_taken.load()},
                             {"refused", state.reports_refused.load()},
                             {"demoted_count", verdicts->demoted.size()},
                             {"demoted", std::move(pairs)},
                             {"graduated_count", verdicts->graduated.size()}};
    }
    std::string error = state.last_load_error();
    health["last_load"] = error.empty() ? "ok" : "failed";
    if (!error.empty()) health["last_load_error"] = error;
    // A path in the reason may hold bytes that are not UTF-8: replaced, never a failure.
    return health.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string metrics_text(update_server_c::state_c& state) {
    served_catalog_c catalog = state.current();
    server_gauges_c gauges;
    gauges.budget_bytes_in_use = state.buffered.load();
    gauges.budget_bytes = state.settings.buffered_bytes;
    gauges.answers_waiting = state.answers->waiting();
    gauges.packages = catalog.index ? catalog.index->package_count() : 0;
    gauges.device_ids = catalog.index ? catalog.index->entry_count() : 0;
    gauges.catalog_age_seconds = catalog.written ? double(std::time(nullptr) - catalog.written) : 0;
    if (catalog.index && catalog.index->statement_serial())
        gauges.statement_expires_in_seconds = double(catalog.index->statement_expires() - std::time(nullptr));
    gauges.catalog_loads = state.catalog_loads.load();
    gauges.catalog_load_failures = state.catalog_load_failures.load();
    if (const std::shared_ptr<const report_verdicts_c> verdicts = state.verdicts_now()) {
        gauges.demoted_pairs = verdicts->demoted.size();
        gauges.graduated_packages = verdicts->graduated.size();
    }
    gauges.reports_taken = state.reports_taken.load();
    gauges.reports_refused = state.reports_refused.load();
    return state.metrics.prometheus_text(gauges);
}

}  // namespace

MHD_Result send_health(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context) {
    unsigned status = 0;
    std::string text = health_text(state, status);
    return send_text(connection, context, status, text, "application/json");
}

MHD_Result send_metrics(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context) {
    return send_text(connection, context, MHD_HTTP_OK, metrics_text(state), "text/plain; version=0.0.4; charset=utf-8");
}

}  // namespace server_http
