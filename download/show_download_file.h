// "Open the file's location" for a download: the download folder while there is no file, else
// Explorer with the package (or the partial file) selected.
#pragma once

#include "common/shell_launcher.h"
#include "download/download_session.h"

#include <string>

bool show_download_file(const download_session_c& session, const std::wstring& download_folder,
                        shell_launcher_c& launcher);
