#include "cli/backup_environment.h"

#include "system/machine_facts.h"
#include "system/settings_win.h"
#include "system/data_places_win.h"
#include "backup/driver_store_win.h"
#include "backup/index_location.h"
#include "common/file_open.h"
#include "common/path_join.h"
#include "common/text_convert.h"

#include <cstdio>

bool backup_environment(const backup_options_c& options, backup_environment_c& environment) {
    if (!collect_basic_facts() || !load_settings()) {
        std::fprintf(stderr, "vantorel-cli: the machine facts or settings cannot be read\n");
        return false;
    }
    environment.install = install_environment();
    environment.backup_folder = options.folder.empty() ? std::wstring(settings().backup_path) : utf8_to_wide(options.folder);
    create_folders(environment.backup_folder);
    environment.index_path = backup_index_path(full_path(environment.backup_folder), full_path(settings().backup_path),
                                               data_places().folder);
    environment.os_version_number = os_version_number();
    if (prepare_driver_store(environment.os_version_number) != 0) {
        std::fprintf(stderr, "vantorel-cli: the driver store cannot be located\n");
        return false;
    }
    environment.store = driver_store_location();
    return true;
}
