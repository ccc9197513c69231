// GET /health and GET /metrics: what a load balancer and a monitoring system ask.
#include "server/server_connection.h"

#include <cstdio>
#include <ctime>

namespace server_http {

namespace {

// The text as a JSON string's content.
std::string json_escaped(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') out += '\\', out += char(c);
        else if (c < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04x", c);
            out += code;
        } else out += char(c);
    }
    return out;
}

// The catalog in service, and whether the last load failed (the catalog before stays in service).
std::string health_text(update_server_c::state_c& state, unsigned& status) {
    served_catalog_c catalog = state.current();
    bool loaded = catalog.index && catalog.index->package_count() > 0;
    status = loaded ? MHD_HTTP_OK : MHD_HTTP_SERVICE_UNAVAILABLE;
    std::time_t now = std::time(nullptr);
    char text[256];
    std::snprintf(text, sizeof text, "{\"status\":\"%s\",\"packages\":%zu,\"device_ids\":%zu,\"catalog_age_seconds\":%lld",
                  loaded ? "ok" : "no catalog", catalog.index ? catalog.index->package_count() : 0,
                  catalog.index ? catalog.index->entry_count() : 0,
                  static_cast<long long>(catalog.written ? now - catalog.written : 0));
    std::string error = state.last_load_error();
    return text + (error.empty() ? std::string(",\"last_load\":\"ok\"}\n")
                                 : ",\"last_load\":\"failed\",\"last_load_error\":\"" + json_escaped(error) + "\"}\n");
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
    gauges.catalog_loads = state.catalog_loads.load();
    gauges.catalog_load_failures = state.catalog_load_failures.load();
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
