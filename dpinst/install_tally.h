// What a run did, counted by package, and the exit code that reports it in the documented form
// 0xWWXXYYZZ: WW flags (0x80 some package failed, 0x40 a restart is needed), XX packages that
// failed, YY packages staged but installed on no device, ZZ packages installed on a device. Each
// count is kept whole here and shown as at most 0xFF.
#pragma once

#include <cstdint>

enum class package_outcome_c {
    installed,    // on at least one device
    staged_only,  // published, installed on no device
    failed,
    skipped,      // not counted: not a driver package, or with /SH no present device matched it
    removed,      // not counted: /U removed it
};

struct install_tally_c {
    unsigned installed = 0;
    unsigned staged_only = 0;
    unsigned failed = 0;
    bool restart_needed = false;

    void add(package_outcome_c outcome);
    std::uint32_t exit_code() const;
};

// The run did not get as far as any package: a refused command line, the 32-bit installer on
// 64-bit Windows, missing administrator rights.
constexpr std::uint32_t not_started_exit_code = 0x80000000u;
