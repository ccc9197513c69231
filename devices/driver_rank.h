// The rank Windows gives a driver for a device, 0xSSGGTHHH, lower being better: the signature
// score SS, the feature score GG (FeatureScore of the install section, 0xFF without one) and
// the identifier score THHH from the best pair of matching IDs:
//   device hardware ID i    = the model's hardware ID      0x0000 + i
//   device hardware ID i    = a model compatible ID        0x1000 + i
//   device compatible ID i  = the model's hardware ID      0x2000 + i
//   device compatible ID i  = model compatible ID j        0x3000 + 0x100 * j + i
// IDs are compared without regard to case.
#pragma once

#include "devices/inf_models.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class driver_signature_c : std::uint32_t {
    trusted = 0x00000000u,
    unsigned_nt = 0x80000000u,     // unsigned, its install section decorated for NT
    unsigned_other = 0xC0000000u,  // unsigned, undecorated install section
};

constexpr std::uint32_t default_feature_score = 0xFFu;

struct device_ids_c {
    std::vector<std::wstring> hardware_ids;
    std::vector<std::wstring> compatible_ids;
};

// model_ids: the model line's hardware ID (may be empty), then its compatible IDs. Nothing when no
// ID of the device matches one of the line.
std::optional<std::uint32_t> identifier_score(const device_ids_c& device, const std::vector<std::wstring>& model_ids);

std::uint32_t driver_rank(driver_signature_c signature, std::uint32_t feature_score, std::uint32_t identifier);

struct model_match_c {
    std::size_t line = 0;     // index into the lines
    std::uint32_t identifier = 0;
    std::wstring matched_id;  // the model's ID that matched, as the INF writes it
};

// The line that matches the device best (lowest identifier score, the first line on a tie); only
// lines whose install section is `section` when it is not empty.
std::optional<model_match_c> best_model_match(const device_ids_c& device, const std::vector<inf_model_line_c>& lines,
                                              const std::wstring& section = std::wstring());
