// The updater's elevated step. The set-up it downloaded lies in the user's profile, where any
// program of the user may change it; it is run as administrator only from a copy that cannot be
// changed: update.exe starts itself elevated with --stage-installer, which opens the set-up once,
// copies it by that handle into a protected folder (protected_folder_win.h), checks the copy's
// SHA-256, deletes the download through the same handle, and starts the copy silently ("/S /RUN")
// without waiting: the set-up replaces update.exe, which must not be running then.
#pragma once

#include "common/sha256.h"

#include <string>

// The exit code for the step: exit_newer when the set-up was started.
int stage_and_start_installer(const std::wstring& installer, const sha256_digest_c& sha256);
