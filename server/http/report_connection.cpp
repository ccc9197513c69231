// Install reports on the connection side: the body checked and stored on an answer thread while
// the connection waits (a database write may take a moment), the demotions read again in time.
#include "server/http/server_connection.h"

#include <nlohmann/json.hpp>

std::shared_ptr<const report_verdicts_c> update_server_c::state_c::verdicts_now() {
    if (!settings.reports) return nullptr;
    {
        std::lock_guard<std::mutex> hold(verdicts_lock);
        const auto now = std::chrono::steady_clock::now();
        if (verdicts && now - verdicts_read < std::chrono::seconds(settings.demotion_refresh_seconds)) return verdicts;
        // The next requests go on with the last verdicts while this one reads them again.
        verdicts_read = now;
    }
    read_verdicts();
    std::lock_guard<std::mutex> hold(verdicts_lock);
    return verdicts;
}

void update_server_c::state_c::read_verdicts() {
    if (!settings.reports) return;
    auto read = std::make_shared<report_verdicts_c>();
    std::string error;
    if (!settings.reports->read_verdicts(*read, error)) return;
    std::lock_guard<std::mutex> hold(verdicts_lock);
    verdicts = std::move(read);
    verdicts_read = std::chrono::steady_clock::now();
}

namespace server_http {

namespace {

scan_reply_c report_reply(update_server_c::state_c& state, const std::string& body) {
    install_report_c report;
    std::string problem;
    if (!read_install_report(body, report, problem)) return scan_reply_c{400, "report refused: " + problem + "\n"};
    bool decided = false;
    // Only a package the served catalog has in testing graduates.
    demotion_limits_c limits = state.settings.demotion;
    const std::shared_ptr<const catalog_index_c> catalog = state.current().index;
    if (!catalog || !catalog->testing_package(report.package_sha256)) limits.graduate_after = 0;
    const report_taken_c taken = state.settings.reports->add(report, limits, decided, problem);
    // Not taken: the client keeps it and sends it again later.
    if (taken == report_taken_c::failed) return scan_reply_c{503, "the report could not be stored, try again later\n"};
    if (decided) state.read_verdicts();
    const nlohmann::json answer = {{"taken", report.report_id}, {"counted", taken == report_taken_c::added}};
    return scan_reply_c{200, answer.dump() + "\n", "application/json"};
}

void store_report(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context) {
    scan_reply_c reply;
    try {
        reply = report_reply(state, context.body);
    } catch (...) {
        reply = scan_reply_c{500, "the server could not take this report\n"};
    }
    (reply.status == 200 ? state.reports_taken : state.reports_refused).fetch_add(1);
    state.buffered.fetch_add(reply.body.size());  // a few bytes, given back like any answer
    deliver_reply(state, connection, context, std::move(reply));
}

}  // namespace

MHD_Result answer_report(update_server_c::state_c& state, MHD_Connection* connection, request_context_c& context) {
    if (context.busy) return send_text(connection, context, MHD_HTTP_SERVICE_UNAVAILABLE, "server busy, try again later\n");
    if (context.too_large) return send_text(connection, context, MHD_HTTP_CONTENT_TOO_LARGE, "report too large\n");
    return submit_answer(state, connection, context, "too many requests from this address at once, try again later\n",
                         [&state, connection, &context] { store_report(state, connection, context); });
}

}  // namespace server_http
