// Undo: a device updated by the program gets back the driver it ran before. The package backed up
// before the update is restored, forced; where none was taken (or its archive is gone), Windows'
// own rollback is asked for. Once the earlier driver is back, the update is recorded as rolled
// back and its version hidden for the device, so neither "Download all" nor the weekly scan puts
// it on again unless the user shows it.
#pragma once

#include "download/driver_updates.h"
#include "download/installer_choice.h"
#include "download/undo_outcome.h"
#include "service/install_reports.h"

#include <optional>
#include <string>
#include <vector>

struct undo_places_c {
    std::wstring data_folder;    // "updates.dat", "hidden.dat", "setup.dat"
    std::wstring backup_folder;
    std::wstring index_path;     // "backup.xml"
    // Where the rollback's report goes (the update's package, "rolled_back"), when the user agreed.
    report_origin_c reports{};
};

// The update the program recorded for the device that Undo would reverse; none when there is none
// (or it was undone).
std::optional<driver_update_c> undoable_update(const std::wstring& instance_path, const std::wstring& data_folder);

// Undoes the updates of the devices in turn, running the installer waited for (installer_exit is
// set here) on the calling thread. Devices whose earlier package is one backup share its restore.
// The outcome is the first failure's, else the last device's.
undo_outcome_c undo_updates(const std::vector<std::wstring>& instance_paths, const undo_places_c& places,
                            const installer_context_c& context);

// A backup restored by the user over devices the program had updated puts another driver back
// just as Undo does: each such update is recorded (and, where the user agreed, reported) as rolled
// back. A backup of the very version the update installed changes nothing; devices the program
// did not update are left alone.
void record_restore_over_updates(const std::vector<std::wstring>& instance_paths, const std::wstring& restored_version,
                                 const undo_places_c& places);

// The backup page's restore of an archive (`recorded`: its digest when written) over those devices,
// the installer waited for: 0 once it put the package back (or was started and left), then the
// restore recorded over the program's updates as above; -1 with the problem.
int restore_backup_over_updates(const std::wstring& archive, const std::optional<sha256_digest_c>& recorded,
                                const std::vector<std::wstring>& instance_paths, const std::wstring& restored_version,
                                const undo_places_c& places, const installer_context_c& context, std::string& problem);
