#include "service/update_service.h"

#include "service/installed_links.h"
#include "service/driver_matching.h"
#include "service/hidden_offers.h"
#include "service/scan_request.h"
#include "service/scan_response.h"
#include "service/tls_options.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// A failure text as the window shows it: at most 255 bytes.
std::string shown_text(const char* text) { return std::string(text ? text : "").substr(0, 255); }

// Why one mirror gave no answer, in words a person can act on.
std::string attempt_failure(const transfer_result_c& result) {
    if (result.code == 0 || result.code == CURLE_HTTP_RETURNED_ERROR)
        return "HTTP status " + std::to_string(result.http_status);
    if (is_tls_refusal(static_cast<CURLcode>(result.code)))
        return tls_refusal_reason(static_cast<CURLcode>(result.code), result.error_text);
    std::string text = curl_easy_strerror(static_cast<CURLcode>(result.code));
    if (result.code == CURLE_WRITE_ERROR && result.error_text[0]) text += std::string(" (") + result.error_text + ")";
    return text;
}

// One mirror: the compressed request posted as the form field "kelvdoc".
const transfer_result_c& post_request(http_transfer_c& transfer, const std::string& mirror,
                                      const std::vector<unsigned char>& packed) {
    const std::string_view bytes(reinterpret_cast<const char*>(packed.data()), packed.size());
    return transfer.post_form(mirror, {{"kelvdoc", bytes}});
}

// No mirror answered: a refused certificate is no timeout (the window shows which mirror refused
// and why); a last status of 504 is; anything else is a network failure, told with the library's
// or the transfer's text where the status does not say it.
void tell_no_answer(query_outcome_c& outcome, const std::string& last_asked, const transfer_result_c& result) {
    const std::string refusal =
        tls_refusal_text(last_asked.c_str(), static_cast<CURLcode>(result.code), result.error_text);
    if (!refusal.empty()) {
        outcome.failure = failure_code_c::network;
        outcome.failure_text = shown_text(refusal.c_str());
    } else if (result.http_status == 504) {
        outcome.failure = failure_code_c::network_timeout;
    } else {
        outcome.failure = failure_code_c::network;
        if (result.code == CURLE_WRITE_ERROR)
            outcome.failure_text = shown_text(result.error_text);
        else if (result.http_status < 400)
            outcome.failure_text = shown_text(curl_easy_strerror(static_cast<CURLcode>(result.code)));
    }
}

}  // namespace

query_outcome_c query_update_server(update_service_c& service, device_store_c& store,
                                    const machine_description_c& machine) {
    query_outcome_c outcome;
    std::string document = build_scan_request(store, machine);
    if (!service.transfer) {
        service.transfer = create_transfer(scan_answer_capacity);
        if (!service.transfer) {
            outcome.failure = failure_code_c::transfer_create;
            return outcome;
        }
    }
    std::vector<unsigned char> packed;
    if (!compress_request(packed, document)) {
        outcome.failure = failure_code_c::compress;
        return outcome;
    }

    const transfer_result_c* result = nullptr;
    const std::string* last_asked = nullptr;
    query_outcome_c refused;  // the last answer refused for its catalog statement
    // Cuts the query's transfer short once the service is asked to stop.
    service.transfer->stop_when(&service.stop_requested);
    for (const std::string& mirror : service.mirrors) {
        if (service.stop_requested.load() && result) break;
        result = &post_request(*service.transfer, mirror, packed);
        last_asked = &mirror;
        outcome.http_status = result->http_status;
        if (result->code != 0 || result->http_status >= 400) {
            outcome.mirror_failures.push_back(mirror + ": " + attempt_failure(*result));
            continue;
        }
        const response_buffer_c& body = *result->body;
        query_outcome_c applied =
            apply_scan_answer(service, store, machine, std::string_view(body.data.data(), std::size_t(body.length)), mirror);
        applied.http_status = outcome.http_status;
        applied.answered_by = mirror;
        if (applied.failure == failure_code_c::catalog_refused) {
            // A mirror behind the others, or one holding an old catalog back: another may be current.
            outcome.mirror_failures.push_back(mirror + ": " + applied.failure_text);
            refused = std::move(applied);
            continue;
        }
        applied.mirror_failures = std::move(outcome.mirror_failures);
        if (applied.succeeded()) applied.reports = send_queued_reports(service, mirror);
        return applied;
    }
    if (!result) {
        outcome.failure = failure_code_c::network;  // no mirror to ask
        return outcome;
    }
    if (refused.failure == failure_code_c::catalog_refused) {
        refused.mirror_failures = std::move(outcome.mirror_failures);
        return refused;
    }
    tell_no_answer(outcome, *last_asked, *result);
    return outcome;
}

report_sending_c send_queued_reports(update_service_c& service, const std::string& mirror) {
    report_sending_c sending;
    if (service.report_queue_file.empty() || !service.transfer) return sending;
    const std::vector<std::string> queued = queued_reports(service.report_queue_file);
    std::vector<std::string> done;
    for (const std::string& report : queued) {
        if (service.stop_requested.load()) break;
        const transfer_result_c& result =
            service.transfer->post_json(mirror + (!mirror.empty() && mirror.back() == '/' ? "report" : "/report"), report);
        if (result.http_status == 200) {
            ++sending.taken;
        } else if (result.http_status == 400 || result.http_status == 413) {
            ++sending.refused;  // never taken, however often sent
        } else {
            break;  // the server or the network is in trouble: the rest waits for the next scan
        }
        done.push_back(report);
    }
    sending.kept = queued.size() - done.size();
    drop_queued_reports(service.report_queue_file, done);
    return sending;
}

query_outcome_c apply_scan_answer(update_service_c& service, device_store_c& store,
                                  const machine_description_c& machine, std::string_view answer,
                                  std::string_view answered_by) {
    query_outcome_c outcome;
    package_trust_c answer_trust = service.trust;
    answer_trust.allow_unsigned =
        service.trust.allow_unsigned || service.unsigned_mirrors.count(std::string(answered_by)) != 0;
    answer_trust_c trust(answer_trust, read_catalog_record(service.catalog_record_file).serial);
    const bool read = parse_scan_response(answer, store, trust);
    outcome.items_refused = trust.refused;
    outcome.items_unsigned = trust.unsigned_taken;
    outcome.items_withdrawn = trust.withdrawn;
    if (trust.statement_refused) {
        outcome.failure = failure_code_c::catalog_refused;
        outcome.failure_text = statement_refusal_text(trust.statement);
        return outcome;
    }
    if (!read) {
        outcome.failure = failure_code_c::invalid_answer;
        return outcome;
    }
    if (trust.statement.accepted()) {
        outcome.catalog_serial = trust.statement.claim.serial;
        record_catalog_statement(service.catalog_record_file, trust.statement.claim);
    }
    choose_offers(service, store, machine.os_version_number);
    return outcome;
}

void choose_offers(update_service_c& service, device_store_c& store, std::int32_t os_version_number) {
    load_installed_links(service);
    // A list that cannot be read hides nothing this time; the file stays as it is.
    const hidden_offers_c hidden = read_hidden_offers(service.hidden_offers_file).value_or(hidden_offers_c{});
    matching_context_c context{os_version_number, &service.installed_links, &hidden, service.show_hidden};
    for (device_c& device : store.devices) choose_items(context, device);
}

void load_installed_links(update_service_c& service) {
    if (auto links = read_installed_links(service.installed_links_file)) service.installed_links = std::move(*links);
}
