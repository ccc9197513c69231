// Names of backup archives, made from the description of a package's first device.
#pragma once

#include "backup/backup_index.h"

#include <string>

// The description as a Windows file name: trimmed, every character a name cannot hold, the
// space, and every character the ANSI code page lacks (the index keeps names in it) turned into
// "-", no trailing dots or spaces, no reserved device name, at most 100 characters. When nothing
// but "-" remains, the INF name without its extension ("oem12") made safe the same way; "driver"
// when that too gives nothing. Without ".zip".
std::wstring safe_archive_stem(const std::wstring& description, const std::wstring& inf_name);

// The archive's file name in the backup folder: the stem with ".zip", or, when the index names an
// archive of that name for another package (another INF) or a file the index does not name has
// it, the first free "-2", "-3"... The same package backed up again gets its own archive's name.
std::wstring choose_archive_name(const std::wstring& description, const std::wstring& inf_name,
                                 const backup_index_c& index, const std::wstring& backup_folder);
