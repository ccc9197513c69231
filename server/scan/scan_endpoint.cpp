#include "server/scan/scan_endpoint.h"

#include "server/http/answer_size_limit.h"

#include <algorithm>
#include <cctype>

namespace {

scan_reply_c text_reply(unsigned status, std::string text) {
    scan_reply_c reply;
    reply.status = status;
    reply.body = std::move(text) + "\n";
    return reply;
}

}  // namespace

void drop_withheld_offers(std::vector<std::vector<driver_offer_c>>& offers, const catalog_index_c& catalog, bool testing,
                          const report_verdicts_c* verdicts) {
    const bool any_demoted = verdicts && !verdicts->demoted.empty();
    if (!any_demoted && (testing || !catalog.any_testing())) return;
    auto withheld = [&](const driver_offer_c& offer) {
        const bool testing_package = catalog.in_testing(offer);
        if (!any_demoted && (testing || !testing_package)) return false;
        const offered_item_c item = catalog.item(offer);
        const std::string sha256 = item.signature ? digest_hex(item.signature->sha256) : std::string();
        if (testing_package && !testing && !(verdicts && !sha256.empty() && verdicts->graduated.count(sha256))) return true;
        if (!any_demoted || sha256.empty()) return false;
        std::string id(item.device_id.text);
        std::transform(id.begin(), id.end(), id.begin(), [](char c) { return char(std::toupper(static_cast<unsigned char>(c))); });
        return verdicts->demoted.count({sha256, id}) > 0;
    };
    for (std::vector<driver_offer_c>& device : offers) device.erase(std::remove_if(device.begin(), device.end(), withheld), device.end());
}

scan_reply_c answer_scan_request(std::string_view content_type, std::string_view body, const catalog_index_c& catalog,
                                 const answer_settings_c& answer, const request_limits_c& limits, std::size_t answer_bytes,
                                 const report_verdicts_c* verdicts) {
    scan_request_c request;
    request_failure_c failure;
    if (!read_scan_request(content_type, body, limits, request, failure)) return text_reply(unsigned(failure.status), failure.reason);
    if (!client_target_for(request.os_code, request.os_build, request.machine).known)
        return text_reply(400, "unknown client os " + request.os_code + (request.machine.empty() ? "" : " on " + request.machine));
    bool over_budget = false;
    // Offers that may be withheld leave room for the next ones: twice as many are weighed, the
    // rest cut once the withheld are out.
    const std::size_t most = answer.items_per_device;
    const bool may_withhold = catalog.any_testing() || (verdicts && !verdicts->demoted.empty());
    auto offers = offers_for_request(request, catalog, may_withhold ? 2 * most : most, &over_budget);
    drop_withheld_offers(offers, catalog, request.testing, verdicts);
    for (std::vector<driver_offer_c>& device : offers)
        if (device.size() > most) device.resize(most);
    // A partial answer would tell the devices left out that they are up to date.
    if (over_budget)
        return text_reply(413, "the request needs more than " + std::to_string(match_budget_c::per_request) +
                                   " catalog lines of matching (" + std::to_string(match_budget_c::per_device) +
                                   " per device); send fewer devices per request");
    scan_reply_c reply;
    fitted_answer_c fitted = fit_scan_answer(request, catalog, offers, answer, answer_bytes, reply.body);
    if (fitted.outcome == answer_fit_c::too_many_devices) return text_reply(413, "too many devices for one answer");
    // No offers at all would tell the program "no updates": another mirror may have room.
    if (fitted.outcome == answer_fit_c::shrunk_to_nothing)
        return text_reply(503, "the answer would be too large for this server, try another mirror");
    reply.content_type = scan_answer_content_type(request);
    return reply;
}
