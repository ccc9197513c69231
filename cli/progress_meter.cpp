#include "cli/progress_meter.h"

#include "common/format_size.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr std::chrono::seconds rate_window{3};
constexpr int bar_width = 24;

}  // namespace

std::string format_duration(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0 || seconds > 359999) return "--:--";
    const auto total = static_cast<long>(std::lround(seconds));
    char text[48];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

std::string progress_meter_c::update(std::uint64_t bytes_done, std::uint64_t expected_size, clock::time_point now) {
    // A count that went down (a restart from byte 0) starts the measurement again.
    if (!samples_.empty() && bytes_done < samples_.back().second) samples_.clear();
    samples_.emplace_back(now, bytes_done);
    while (samples_.size() > 2 && now - samples_.front().first > rate_window) samples_.pop_front();

    double rate = 0;
    const double span = std::chrono::duration<double>(now - samples_.front().first).count();
    if (span > 0.2) rate = double(bytes_done - samples_.front().second) / span;
    const double share = expected_size > 0 ? std::min(1.0, double(bytes_done) / double(expected_size)) : 0.0;
    const int filled = int(share * bar_width);
    const double left = rate > 0 && expected_size >= bytes_done ? double(expected_size - bytes_done) / rate : -1;

    std::string line = "[" + std::string(std::size_t(filled), '#') + std::string(std::size_t(bar_width - filled), ' ') + "] ";
    char figures[96];
    std::snprintf(figures, sizeof figures, "%3d%%  %s / %s  %s/s  %s left", int(share * 100),
                  format_size(std::int64_t(bytes_done)).c_str(), format_size(std::int64_t(expected_size)).c_str(),
                  format_size(std::int64_t(rate)).c_str(), format_duration(left).c_str());
    return line + figures;
}
