#include "dpinst/install_tally.h"

namespace {

std::uint32_t as_byte(unsigned count) { return count > 0xFFu ? 0xFFu : count; }

}  // namespace

void install_tally_c::add(package_outcome_c outcome) {
    switch (outcome) {
        case package_outcome_c::installed: ++installed; break;
        case package_outcome_c::staged_only: ++staged_only; break;
        case package_outcome_c::failed: ++failed; break;
        case package_outcome_c::skipped:
        case package_outcome_c::removed: break;
    }
}

std::uint32_t install_tally_c::exit_code() const {
    std::uint32_t flags = (failed > 0 ? 0x80u : 0u) | (restart_needed ? 0x40u : 0u);
    return flags << 24 | as_byte(failed) << 16 | as_byte(staged_only) << 8 | as_byte(installed);
}
