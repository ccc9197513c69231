// A System Restore point around a run that installs drivers (/RESTOREPOINT text): begun before the
// first package, ended after the last one, or cancelled when nothing was installed. Whether one
// was made goes into the exit code beside the documented flags (bits 0x30 of its top byte), so
// that the program that started the installer can tell the user why there is none.
#pragma once

#include "download/installer_outcome.h"

#include <cstdint>
#include <functional>
#include <string>

enum class restore_point_state_c {
    not_asked,
    made,
    unavailable,  // no System Restore on this system, or System Protection is off: 0x10 in the top byte
    refused,      // Windows would not make one (its frequency limit, or an error): 0x20 in the top byte
};

// The bits of the exit code's top byte that tell why no restore point was made (none when one was,
// or none was asked for).
constexpr std::uint32_t restore_point_bits(restore_point_state_c state) {
    return state == restore_point_state_c::unavailable ? restore_point_unavailable_bit
           : state == restore_point_state_c::refused   ? restore_point_refused_bit
                                                       : 0u;
}

// The calls behind the seam: SRSetRestorePointW's two halves. begin gives the status Windows
// reported (0 for success) and the sequence number to end with; false when the function is not
// there at all (Wine has no System Restore).
struct restore_point_calls_c {
    std::function<bool(const std::wstring& description, std::int64_t& sequence, std::uint32_t& status)> begin;
    std::function<void(std::int64_t sequence, bool cancel)> end;
};

// The system's calls (srclient.dll, loaded when asked for).
restore_point_calls_c system_restore_point_calls();

// What a begun restore point came to, from begin's result and status.
restore_point_state_c restore_point_state(bool called, std::uint32_t status);

// The log's line for it.
std::wstring restore_point_line(restore_point_state_c state, std::uint32_t status);

// One run's restore point: begun when a description is given, ended once, and cancelled when
// nothing was installed (also by a run that ends early, when it goes).
class restore_point_run_c {
public:
    restore_point_run_c(const std::wstring& description, restore_point_calls_c calls,
                        std::function<void(const std::wstring& line)> note);
    ~restore_point_run_c() { finish(false); }
    restore_point_run_c(const restore_point_run_c&) = delete;
    restore_point_run_c& operator=(const restore_point_run_c&) = delete;

    void finish(bool changed);
    // The exit code with the state's bits in its top byte (none when one was made or not asked for).
    std::uint32_t marked(std::uint32_t exit_code) const { return exit_code | restore_point_bits(state_); }
    restore_point_state_c state() const { return state_; }

private:
    restore_point_calls_c calls_;
    restore_point_state_c state_ = restore_point_state_c::not_asked;
    bool open_ = false;
    std::int64_t sequence_ = 0;
};
