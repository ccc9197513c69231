#include "service/update_service.h"

#include "common/file_open.h"
#include "common/fixed_text.h"
#include "service/driver_matching.h"
#include "common/last_error.h"
#include "service/scan_request.h"
#include "service/scan_response.h"
#include "service/tls_options.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Clears the current query however the query ends.
class current_query_scope_c {
public:
    current_query_scope_c(update_service_c& service, const scan_query_c& query) : service_(service) {
        service_.current_query = &query;
    }
    ~current_query_scope_c() { service_.current_query = nullptr; }
    current_query_scope_c(const current_query_scope_c&) = delete;
    current_query_scope_c& operator=(const current_query_scope_c&) = delete;

private:
    update_service_c& service_;
};

void copy_error_text(scan_query_c& query, const char* text) {
    copy_text(query.error_text, std::string_view(text ? text : ""));
}

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

}  // namespace

bool query_update_server(update_service_c& service, scan_query_c& query) {
    current_query_scope_c scope(service, query);
    std::string document = build_scan_request(*service.store, query);
    if (!service.transfer) {
        service.transfer = create_transfer(scan_answer_capacity);
        if (!service.transfer) {
            set_last_error(error_transfer_create);
            return false;
        }
    }
    std::vector<unsigned char> packed;
    if (!compress_request(packed, document)) {
        set_last_error(error_compress);
        return false;
    }

    const transfer_result_c* result = nullptr;
    const std::string* last_asked = nullptr;
    bool answered = false;
    query.mirror_failures.clear();
    query.answered_by.clear();
    // Cuts the query's transfer short once the service is asked to stop.
    service.transfer->stop_when(&service.stop_requested);
    for (const std::string& mirror : service.mirrors) {
        if (service.stop_requested.load() && result) break;
        result = &post_request(*service.transfer, mirror, packed);
        last_asked = &mirror;
        query.http_status = result->http_status;
        if (result->code == 0 && result->http_status < 400) {
            answered = true;
            query.answered_by = mirror;
            break;
        }
        query.mirror_failures.push_back(mirror + ": " + attempt_failure(*result));
    }
    if (!answered) {
        // A refused certificate is no timeout: the window shows which mirror refused and why.
        const std::string refusal =
            tls_refusal_text(last_asked->c_str(), static_cast<CURLcode>(result->code), result->error_text);
        if (!refusal.empty()) {
            set_last_error(error_network);
            copy_error_text(query, refusal.c_str());
        } else if (result->http_status == 504) {
            set_last_error(error_network_timeout);
        } else {
            set_last_error(error_network);
            if (result->code == CURLE_WRITE_ERROR)
                copy_error_text(query, result->error_text);
            else if (result->http_status < 400)
                copy_error_text(query, curl_easy_strerror(static_cast<CURLcode>(result->code)));
        }
        return false;
    }

    const response_buffer_c& body = *result->body;
    return apply_scan_answer(service, query, std::string_view(body.data.data(), std::size_t(body.length)));
}

bool apply_scan_answer(update_service_c& service, scan_query_c& query, std::string_view answer) {
    answer_trust_c trust(service.trust);
    const bool read = parse_scan_response(answer, *service.store, trust);
    query.items_refused = trust.refused;
    query.items_unsigned = trust.unsigned_taken;
    if (!read) {
        set_last_error(error_invalid_answer);
        return false;
    }
    load_installed_links(service);
    matching_context_c context{query.os_version_number, &service.installed_links};
    for (device_c& device : service.store->devices) choose_items(context, device);
    return true;
}

namespace {

// One whole line however long (links reach 3072 bytes), without its line end; false at the end.
bool read_line(std::FILE* file, std::string& line) {
    line.clear();
    char chunk[1024];
    while (std::fgets(chunk, sizeof chunk, file)) {
        line += chunk;
        if (!line.empty() && line.back() == '\n') return true;
    }
    return !line.empty();
}

}  // namespace

void load_installed_links(update_service_c& service) {
    std::FILE* file = open_file(service.installed_links_file, "r");
    if (!file) return;
    service.installed_links.clear();
    std::string line;
    while (read_line(file, line)) {
        const char* blanks = " \t\n\r";
        std::size_t first = line.find_first_not_of(blanks);
        if (first == std::string::npos) continue;
        std::size_t last = line.find_last_not_of(blanks);
        service.installed_links.insert(line.substr(first, last - first + 1));
    }
    std::fclose(file);
}
