#include "download/installer_outcome.h"

installer_outcome_c installer_outcome(const installer_exit_c& exit) {
    installer_outcome_c outcome;
    const std::uint32_t code = exit.code.value_or(0xFFFFFFFFu);
    outcome.exit_code = code;
    if (!exit.code) return outcome;
    if (exit.set_up_program) {
        outcome.verdict = code == 0 ? install_verdict_c::installed : install_verdict_c::failed;
        // The codes Windows' installers use for "done, restart to finish".
        if (code == 3010 || code == 1641) outcome = {install_verdict_c::installed, true, code};
        return outcome;
    }
    outcome.restart_needed = (code & 0x40000000u) != 0;
    if ((code & 0xFFu) != 0) outcome.verdict = install_verdict_c::installed;
    else if ((code & 0xFF00u) != 0 && (code & 0x80000000u) == 0) outcome.verdict = install_verdict_c::not_better;
    else outcome.verdict = install_verdict_c::failed;
    return outcome;
}
