#include "service/release_query.h"

#include "service/http_transfer.h"

#include <algorithm>
#include <memory>

namespace {

std::string failure_text(const transfer_result_c& result) {
    if (result.code == 0 || result.code == CURLE_HTTP_RETURNED_ERROR) {
        if (result.http_status == 404) return "no release is published";
        return "HTTP status " + std::to_string(result.http_status);
    }
    std::string text = curl_easy_strerror(static_cast<CURLcode>(result.code));
    if (result.error_text[0]) text += std::string(" (") + result.error_text + ")";
    return text;
}

}  // namespace

release_query_c query_release(const mirror_list_c& mirrors, const std::vector<public_key_c>& keys,
                              std::string_view running_version) {
    release_query_c query;
    query.check.reason = "no mirror to ask";
    std::string refusal;
    std::vector<std::string> asked;
    for (const std::string& mirror : mirrors) {
        // With fewer overrides than places the last mirror fills the rest: it is asked once.
        if (mirror.empty() || std::find(asked.begin(), asked.end(), mirror) != asked.end()) continue;
        asked.push_back(mirror);
        std::unique_ptr<http_transfer_c> transfer = create_transfer(std::int32_t(release_answer_limit) + 1);
        if (!transfer) {
            query.failures.push_back(mirror + ": no transfer could be made");
            continue;
        }
        const std::string url = mirror + (mirror.back() == '/' ? "" : "/") + "release";
        const transfer_result_c& result = transfer->get(url);
        if (result.code != 0 || result.http_status >= 400 || !result.body) {
            query.failures.push_back(mirror + ": " + failure_text(result));
            continue;
        }
        release_check_c check = check_release_answer(
            std::string_view(result.body->data.data(), std::size_t(result.body->length)), keys, running_version);
        if (check.verdict == release_verdict_c::up_to_date || check.verdict == release_verdict_c::newer) {
            query.check = std::move(check);
            query.answered_by = mirror;
            return query;
        }
        query.failures.push_back(mirror + ": " + check.reason);
        if (check.verdict == release_verdict_c::refused && refusal.empty()) refusal = check.reason;
    }
    if (!refusal.empty()) {
        query.check.verdict = release_verdict_c::refused;
        query.check.reason = refusal;
    } else if (!query.failures.empty()) {
        query.check.verdict = release_verdict_c::unreadable;
        const std::string& last = query.failures.back();
        query.check.reason = last.substr(last.find(": ") + 2);
    }
    return query;
}
