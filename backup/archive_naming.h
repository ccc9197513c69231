// Names of backup archives, made from the description of a package's first device.
#pragma once

#include "backup/backup_index.h"

#include <string>

// The description as a Windows file name: trimmed, every character a name cannot hold (and the
// space) turned into "-", no trailing dots or spaces, no reserved device name, at most 100
// characters; "driver" when nothing remains. Without ".zip".
std::wstring safe_archive_stem(const std::wstring& description);

// The archive's file name in the backup folder: the stem with ".zip", or, when the index already
// names an archive of that name for another package (another INF), the first free "-2", "-3"...
// The same package backed up again gets its own archive's name.
std::wstring choose_archive_name(const std::wstring& description, const std::wstring& inf_name,
                                 const backup_index_c& index);
