#include "backup/restore_job.h"

#include "common/path_join.h"
#include "download/zip_reader.h"

int restore_backup(const std::wstring& archive_name, const std::wstring& backup_folder,
                   const installer_context_c& context) {
    if (archive_name.empty() || archive_name.find_first_of(L"/\\:") != std::wstring::npos || archive_name == L"." ||
        archive_name == L"..")
        return -1;
    const std::wstring archive = join_path(backup_folder, archive_name);
    zip_reader_c reader;
    if (reader.open_archive(archive) != 0) return -1;
    const std::wstring folder = make_unpack_folder(archive, backup_folder);
    if (reader.extract_all(folder) != 0) return -1;
    run_driver_installer(folder, true, context);
    return 0;
}
