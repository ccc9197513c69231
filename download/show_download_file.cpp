#include "download/show_download_file.h"

bool show_download_file(const download_session_c& session, const std::wstring& download_folder,
                        shell_launcher_c& launcher) {
    const auto file = session.file_to_show();
    if (!file) return launcher.open(download_folder);
    return launcher.run(L"explorer.exe", L"/select,\"" + *file + L"\"");
}
