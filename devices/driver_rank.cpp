#include "devices/driver_rank.h"

#include "common/text_compare.h"

namespace {

constexpr std::uint32_t list_position_limit = 0xFFFu;

std::uint32_t position(std::size_t index) {
    return index > list_position_limit ? list_position_limit : std::uint32_t(index);
}

struct id_match_c {
    std::uint32_t score;
    std::size_t model_index;
};

std::optional<id_match_c> best_pair(const device_ids_c& device, const std::vector<std::wstring>& model_ids) {
    std::optional<id_match_c> best;
    auto consider = [&](std::uint32_t score, std::size_t model_index) {
        if (!best || score < best->score) best = id_match_c{score, model_index};
    };
    for (std::size_t m = 0; m < model_ids.size(); ++m) {
        if (model_ids[m].empty()) continue;
        for (std::size_t i = 0; i < device.hardware_ids.size(); ++i)
            if (equal_ignoring_case(device.hardware_ids[i], model_ids[m]))
                consider((m == 0 ? 0x0000u : 0x1000u) + position(i), m);
        for (std::size_t i = 0; i < device.compatible_ids.size(); ++i)
            if (equal_ignoring_case(device.compatible_ids[i], model_ids[m])) {
                std::uint32_t offset = m == 0 ? position(i) : position(0x100 * (m - 1) + i);
                consider((m == 0 ? 0x2000u : 0x3000u) + offset, m);
            }
    }
    return best;
}

}  // namespace

std::optional<std::uint32_t> identifier_score(const device_ids_c& device, const std::vector<std::wstring>& model_ids) {
    auto pair = best_pair(device, model_ids);
    if (!pair) return std::nullopt;
    return pair->score;
}

std::uint32_t driver_rank(driver_signature_c signature, std::uint32_t feature_score, std::uint32_t identifier) {
    return std::uint32_t(signature) | (feature_score & 0xFFu) << 16 | (identifier & 0xFFFFu);
}

std::optional<model_match_c> best_model_match(const device_ids_c& device, const std::vector<inf_model_line_c>& lines,
                                              const std::wstring& section) {
    std::optional<model_match_c> best;
    for (std::size_t l = 0; l < lines.size(); ++l) {
        if (!section.empty() && !equal_ignoring_case(lines[l].install_section, section)) continue;
        auto pair = best_pair(device, lines[l].ids);
        if (pair && (!best || pair->score < best->identifier))
            best = model_match_c{l, pair->score, lines[l].ids[pair->model_index]};
    }
    return best;
}
