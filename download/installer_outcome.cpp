#include "download/installer_outcome.h"

const char* restore_point_note_name(restore_point_note_c note) {
    switch (note) {
        case restore_point_note_c::unavailable: return "unavailable";
        case restore_point_note_c::refused: return "refused";
        case restore_point_note_c::made_or_not_asked: break;
    }
    return "made or not asked";
}

installer_outcome_c installer_outcome(const installer_exit_c& exit) {
    installer_outcome_c outcome;
    if (!exit.code) {
        outcome.exit_code = 0xFFFFFFFFu;
        return outcome;
    }
    const std::uint32_t restore_bits = restore_point_unavailable_bit | restore_point_refused_bit;
    outcome.restore_point = (*exit.code & restore_bits) == restore_point_unavailable_bit ? restore_point_note_c::unavailable
                            : (*exit.code & restore_bits) == restore_point_refused_bit   ? restore_point_note_c::refused
                                                                                         : restore_point_note_c::made_or_not_asked;
    if (exit.set_up_program) {
        const std::uint32_t code = *exit.code & ~restore_bits;
        outcome.exit_code = code;
        // 3010 and 1641: Windows' installers' "done, restart to finish".
        outcome.restart_needed = code == 3010 || code == 1641;
        outcome.verdict = code == 0 || outcome.restart_needed ? install_verdict_c::installed : install_verdict_c::failed;
        return outcome;
    }
    const std::uint32_t code = *exit.code;
    outcome.exit_code = code;
    outcome.restart_needed = (code & 0x40000000u) != 0;
    if ((code & 0xFFu) != 0) outcome.verdict = install_verdict_c::installed;
    else if ((code & 0xFF00u) != 0 && (code & 0x80000000u) == 0) outcome.verdict = install_verdict_c::not_better;
    else outcome.verdict = install_verdict_c::failed;
    return outcome;
}
