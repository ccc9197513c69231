#include "cli/backup_environment.h"

#include "backup/index_location.h"
#include "backup/store_digests.h"
#include "common/file_open.h"
#include "common/path_join.h"
#include "common/text_convert.h"

#include <cstdio>
#include <memory>

bool backup_environment(const backup_options_c& options, backup_environment_c& environment) {
    if (options.folder.empty()) {
        std::fprintf(stderr, "vantorel-cli: --folder DIR is needed here\n");
        return false;
    }
    environment.install = install_environment();
    environment.backup_folder = utf8_to_wide(options.folder);
    create_folders(environment.backup_folder);
    // No settings' folder here: every folder keeps its own index.
    environment.index_path = backup_index_path(environment.backup_folder, L"", environment.install.program_folder);
    if (!options.store.empty()) {
        environment.store.root = utf8_to_wide(options.store);
        auto digests = std::make_shared<store_digests_c>(build_store_digests(environment.store.root));
        const std::wstring infs = utf8_to_wide(options.inf_folder);
        environment.store.locate = [digests, infs](const std::wstring& inf) { return locate_inf_in_store(infs, inf, *digests); };
    }
    return true;
}
