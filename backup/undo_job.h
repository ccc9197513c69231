// Undo started from a download panel: on the package's installation worker (one at a time with
// installations of the package), so the page may be rebuilt while it runs.
#pragma once

#include "backup/undo_update.h"
#include "download/start_install.h"

// On the UI thread: the administrator gate as for an installation, then the worker. The outcome
// goes to the session's install job (`undo`).
install_start_c start_undo(const std::vector<std::wstring>& instance_paths, const undo_places_c& places,
                           download_session_c& session, const installer_context_c& context, install_gates_c& gates);
