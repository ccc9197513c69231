// Restoring a backup: its archive is unpacked into a new folder of its own in the backup folder
// (with the zip reader's protections) and the driver package installer is started on it, forced,
// so the backed-up drivers go in even over newer ones.
#pragma once

#include "download/installer_choice.h"

#include <string>

// 0 when the archive was unpacked whole and the installer started; -1 for a name that is no
// plain file name, a missing or unreadable archive, one whose SHA-256 is not the recorded one, or
// one that did not unpack whole (then nothing is installed and its folder is removed). `problem`,
// when given, says why. Without a recorded digest (an entry of an older index) nothing is checked.
int restore_backup(const std::wstring& archive_name, const std::wstring& backup_folder,
                   const installer_context_c& context, std::string* problem = nullptr,
                   const std::optional<sha256_digest_c>& recorded = std::nullopt);
