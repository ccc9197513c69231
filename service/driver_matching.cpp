#include "service/driver_matching.h"

#include "common/text_compare.h"
#include "common/text_convert.h"
#include "service/hidden_offers.h"

#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <sstream>

namespace {

bool installed(const matching_context_c& context, const std::string& link) {
    return context.installed_links && context.installed_links->count(link) != 0;
}

bool wide_version_newer(const wchar_t* a, const wchar_t* b) {
    return version_newer(wide_to_ansi(a).c_str(), wide_to_ansi(b).c_str());
}

// Newer than the installed driver by date, or by version when the dates are equal.
bool newer_by_date_then_version(const driver_item_c& item, const device_c& device) {
    int dates = item.date.compare(device.driver_date);
    if (dates != 0) return dates > 0;
    return wide_version_newer(item.version.c_str(), device.driver_version);
}

}  // namespace

bool version_newer(const char* a, const char* b) {
    auto components = [](const char* text, long long (&parts)[4]) {
        std::istringstream in(text ? text : "");
        for (int i = 0; i < 4; ++i) parts[i] = 0;
        for (int i = 0; i < 4; ++i) {
            if (i > 0 && in.get() == std::char_traits<char>::eof()) break;
            long long value = 0;
            if (!(in >> value)) break;
            parts[i] = value;
        }
    };
    long long left[4], right[4];
    components(a, left);
    components(b, right);
    for (int i = 0; i < 4; ++i)
        if (left[i] != right[i]) return left[i] > right[i];
    return false;
}

std::uint32_t signature_level(std::uint32_t rank, std::int32_t os_version_number) {
    if (os_version_number < 60) return (rank & 0xC000u) != 0 ? 3 : 0;
    if (rank >= 0x80000000u) return 3;
    return rank >= 0x0F000000u ? 1 : 0;
}

std::uint32_t feature_level(std::uint32_t rank, std::int32_t os_version_number) {
    if (os_version_number < 60) return 255;
    return (rank >> 16) & 0xFFu;
}

std::int32_t compare_items(const driver_item_c& a, const driver_item_c& b, std::int32_t os) {
    const long long distance_a = std::llabs(static_cast<long long>(os) - static_cast<long long>(a.targetos));
    const long long distance_b = std::llabs(static_cast<long long>(os) - static_cast<long long>(b.targetos));
    if (a.targetos != b.targetos) return distance_a < distance_b ? 1 : 0;
    if (a.sign != b.sign) return a.sign < b.sign ? 1 : 0;
    if (a.feature != b.feature) return a.feature < b.feature ? 1 : 0;
    if (a.cp != b.cp) return a.cp < b.cp ? 1 : 0;
    int dates = a.date.compare(b.date);
    if (dates != 0) return dates > 0 ? 1 : -1;
    return wide_version_newer(a.version.c_str(), b.version.c_str()) ? 1 : 0;
}

namespace {

// Whether the best offer beats the installed driver, and what decided it; an update is still
// none when its set-up was started before.
offer_reason_c best_offer_reason(const matching_context_c& context, const device_c& device) {
    const driver_item_c* best = device.best_item();
    if (!best) return offer_reason_c::no_offer;
    if (!device.has_driver) return offer_reason_c::no_driver;
    offer_reason_c reason;
    // Without the installed driver's rank its signature and feature scores are unknown, and so
    // is whether the offer names a better ID: the offer is judged as the newest one is.
    if (!device.driver_rank_known) {
        reason = newer_by_date_then_version(*best, device) ? offer_reason_c::newer : offer_reason_c::not_newer;
    } else {
        const std::uint32_t rank = device.driver_rank;
        const std::int32_t os = context.os_version_number;
        if (best->sign != signature_level(rank, os))
            reason = best->sign < signature_level(rank, os) ? offer_reason_c::better_signature : offer_reason_c::worse_signature;
        else if (best->feature != feature_level(rank, os))
            reason = best->feature < feature_level(rank, os) ? offer_reason_c::better_feature : offer_reason_c::worse_feature;
        else if (!equal_ignoring_case(best->hardid.c_str(), device.matching_device_id))
            reason = offer_reason_c::other_id;
        else
            reason = newer_by_date_then_version(*best, device) ? offer_reason_c::newer : offer_reason_c::not_newer;
    }
    return offer_reason_is_update(reason) && installed(context, best->link) ? offer_reason_c::already_installed : reason;
}

}  // namespace

namespace {

// The user's choice comes last: what the matching offers as an update, hidden, is none.
void apply_hidden_offers(const matching_context_c& context, device_c& device) {
    if (!context.hidden) return;
    device.best_hidden = device.best_is_update && context.hidden->hides(device, *device.best_item());
    device.latest_hidden = device.latest_is_update && context.hidden->hides(device, *device.latest_item());
    if (context.show_hidden) return;
    if (device.best_hidden) {
        device.best_is_update = false;
        device.best_reason = offer_reason_c::hidden;
    }
    if (device.latest_hidden) device.latest_is_update = false;
}

}  // namespace

void judge_best(const matching_context_c& context, device_c& device) {
    device.best_reason = best_offer_reason(context, device);
    device.best_is_update = offer_reason_is_update(device.best_reason);
}

void judge_latest(const matching_context_c& context, device_c& device) {
    const driver_item_c* latest = device.latest_item();
    if (!latest) return;
    if (!device.has_driver) {
        device.latest_is_update = true;
        return;
    }
    device.latest_is_update = newer_by_date_then_version(*latest, device) && !installed(context, latest->link);
}

void choose_items(const matching_context_c& context, device_c& device) {
    device.best_index = device.latest_index = -1;
    device.best_reason = offer_reason_c::no_offer;
    device.best_is_update = device.latest_is_update = false;
    device.best_hidden = device.latest_hidden = false;
    const std::uint32_t count = device.item_count;
    if (count == 0) return;
    std::uint32_t best = 0, latest = 0;
    for (std::uint32_t k = 1; k < count; ++k) {
        if (compare_items(device.items[k], device.items[best], context.os_version_number) > 0) best = k;
        if (device.items[k].date.compare(device.items[latest].date) > 0) latest = k;
    }
    device.best_index = std::int32_t(best);
    device.latest_index = std::int32_t(latest);
    judge_best(context, device);
    judge_latest(context, device);
    apply_hidden_offers(context, device);
}
