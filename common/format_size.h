// Byte counts for people: "%dB", "%.2fK", "%.2fM" or "%.2fG" with 1 K = 1024. A unit is used
// only when the count is strictly above it, so exactly 1024 bytes is "1024B".
#pragma once

#include <cstdint>
#include <string>

std::string format_size(std::int64_t bytes);
