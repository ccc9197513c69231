// How a waited-for installation ended, from the exit code of the program that ran it: the driver
// package installer's documented code, or a package's own set-up program's.
#pragma once

#include <cstdint>
#include <optional>

// What the elevated start gave back once the program ended; `code` stays empty where it could not
// be waited for (the program was started and left).
struct installer_exit_c {
    std::optional<std::uint32_t> code;
    bool set_up_program = false;  // a package's own program ran (/RUN, /PROGRAM), not the driver installer
};

enum class install_verdict_c {
    installed,   // a driver went onto a device (a set-up program: it exited with 0)
    not_better,  // the package went into the driver store, but Windows kept the driver in use
    failed,      // nothing was installed
};

// The bits of the installer's exit code, beside the documented flags, that say why no restore
// point was made where one was asked for (the installer sets them, the program reads them).
constexpr std::uint32_t restore_point_unavailable_bit = 0x10000000u;  // System Restore off or missing
constexpr std::uint32_t restore_point_refused_bit = 0x20000000u;      // Windows refused one

// Whether the restore point asked for before the installation was made: made, or none because
// System Restore is off or missing, or Windows refused one.
enum class restore_point_note_c { made_or_not_asked, unavailable, refused };

struct installer_outcome_c {
    install_verdict_c verdict = install_verdict_c::failed;
    bool restart_needed = false;
    std::uint32_t exit_code = 0;
    restore_point_note_c restore_point = restore_point_note_c::made_or_not_asked;
};

// The driver installer's code is 0xWWXXYYZZ: WW flags (0x80 a package failed, 0x40 a restart is
// needed), XX packages failed, YY packages staged but installed on no device (not better), ZZ
// packages installed. Installed wins over not better; a code that names neither fails. The bits
// 0x30000000 tell about the restore point; they are taken off a set-up program's code first.
installer_outcome_c installer_outcome(const installer_exit_c& exit);

// Whether "setup.dat" is to name the package afterwards, so that it is not offered again as
// best: it was installed, or Windows judged it not better.
inline bool records_installed_link(const installer_outcome_c& outcome) {
    return outcome.verdict != install_verdict_c::failed;
}

// The note as the CLI's JSON writes it: "unavailable", "refused" or "made or not asked".
const char* restore_point_note_name(restore_point_note_c note);
