#include "server/http/answer_size_limit.h"

#include <algorithm>

namespace {

constexpr unsigned most_writes = 6;

std::size_t items_with(const std::vector<std::vector<driver_offer_c>>& offers, std::size_t per_device) {
    std::size_t items = 0;
    for (const auto& device_offers : offers) items += std::min(device_offers.size(), per_device);
    return items;
}

// The largest number of items per device below `per_device` whose answer holds at most `items` items.
std::size_t per_device_for(const std::vector<std::vector<driver_offer_c>>& offers, std::size_t per_device, std::size_t items) {
    std::size_t low = 0, high = per_device - 1;
    while (low < high) {
        std::size_t middle = (low + high + 1) / 2;
        if (items_with(offers, middle) <= items) low = middle;
        else high = middle - 1;
    }
    return low;
}

}  // namespace

fitted_answer_c fit_scan_answer(const scan_request_c& request, const catalog_index_c& index,
                                const std::vector<std::vector<driver_offer_c>>& offers, const answer_settings_c& settings,
                                std::size_t most_bytes, std::string& out) {
    fitted_answer_c fitted;
    answer_settings_c trial = settings;
    bool had_offers = items_with(offers, settings.items_per_device) > 0;
    while (true) {
        answer_writing_c writing = write_scan_answer(request, index, offers, trial, most_bytes, out);
        ++fitted.writes;
        fitted.items_per_device = trial.items_per_device;
        if (writing.complete) {
            if (had_offers && writing.items_written == 0) fitted.outcome = answer_fit_c::shrunk_to_nothing;
            return fitted;
        }
        if (trial.items_per_device == 0) {
            fitted.outcome = answer_fit_c::too_many_devices;
            return fitted;
        }
        // The bytes written per item so far (device elements included, so rather more than an
        // item takes) tell how many items fit; aim a tenth below.
        double per_item = double(out.size()) / double(std::max<std::size_t>(writing.items_written, 1));
        auto items = std::size_t(double(most_bytes) * 0.9 / per_item);
        trial.items_per_device = fitted.writes + 1 >= most_writes ? 0 : per_device_for(offers, trial.items_per_device, items);
    }
}
