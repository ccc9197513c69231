// How an Undo of a device's update ended (backup/undo_update.h does it; the installation worker
// runs it and the panel tells it).
#pragma once

#include "download/installer_outcome.h"

#include <optional>
#include <string>

enum class undo_result_c {
    undone,           // the earlier driver is back (as the installer's exit code says)
    started,          // the installer was started and not waited for: nothing recorded
    nothing_to_undo,  // the program installed no update on the device, or it was undone already
    failed,           // nothing was put back; `problem` says why
};

struct undo_outcome_c {
    undo_result_c result = undo_result_c::failed;
    std::string problem;
    bool from_backup = false;  // the backup was restored; else Windows' rollback was asked for
    std::optional<installer_outcome_c> installed;
};
