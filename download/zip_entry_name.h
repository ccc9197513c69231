// Which entry names of a zip archive may become files. A package comes over plain HTTP, so a
// name must stay inside the unpack folder and be an ordinary Windows name.
#pragma once

#include <string>

// True for a relative name of ordinary components separated by "/" or "\" (a folder's name may
// end in one): no drive or ":" anywhere, no leading separator, no empty, "." or ".." component,
// none of < > " | ? * or control characters, and no reserved device name (CON, PRN, AUX, NUL,
// COM1-9, LPT1-9, with or without an extension).
bool safe_entry_name(const std::wstring& name);
