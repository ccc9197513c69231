#include "tests/win/results_pages_fixture_win.h"

#include "system/machine_facts.h"
#include "system/settings_win.h"
#include "common/text_compare.h"

#include <cstring>
#include <cwchar>
#include <fstream>

scratch_driver_store_c::scratch_driver_store_c(const std::filesystem::path& root, std::size_t driver_size) : root_(root) {
    std::filesystem::create_directories(root_);
    location_.root = root_.wstring();
    std::filesystem::path base = root_;
    location_.locate = [base, driver_size](const std::wstring& inf_name) -> std::optional<std::wstring> {
        if (inf_name.empty()) return std::nullopt;
        std::wstring stem = inf_name.substr(0, inf_name.find_last_of(L'.'));
        std::filesystem::path folder = base / (stem + L".inf_amd64_1f2e3d4c5b6a7980");
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
        std::ofstream(folder / inf_name, std::ios::binary) << "[Version]\r\nSignature=\"$Windows NT$\"\r\n";
        if (!std::filesystem::exists(folder / (stem + L".sys"))) {
            // Incompressible, so that archiving takes its time.
            std::string bytes(driver_size, '\0');
            std::uint32_t state = 2463534242u;
            for (char& each : bytes) {
                state ^= state << 13, state ^= state >> 17, state ^= state << 5;
                each = char(state);
            }
            std::ofstream(folder / (stem + L".sys"), std::ios::binary) << bytes;
        }
        return (folder / inf_name).wstring();
    };
}

scratch_settings_c::scratch_settings_c(const std::filesystem::path& folder)
    : download_(settings().download_path_in_use), backup_(settings().backup_path) {
    std::wstring download = (folder / "download").wstring(), backup = (folder / "backup").wstring();
    std::filesystem::create_directories(folder / "download");
    std::filesystem::create_directories(folder / "backup");
    std::wcsncpy(settings().download_path_in_use, download.c_str(), 259);
    std::wcsncpy(settings().backup_path, backup.c_str(), 259);
}

scratch_settings_c::~scratch_settings_c() {
    std::wcsncpy(settings().download_path_in_use, download_.c_str(), 259);
    std::wcsncpy(settings().backup_path, backup_.c_str(), 259);
}

device_c offered_device(const wchar_t* name, const std::string& link, std::uint32_t size, bool update) {
        device_c device;
        std::wcscpy(device.display_name, name);
        std::wcscpy(device.class_name, L"Net");
        std::wcscpy(device.driver_date, L"2018-01-01");
        device.has_driver = true;
        device.items.resize(1);
        device.items[0].link = link;
        device.items[0].date = L"2019-02-02";
        device.items[0].inf_name = L"drivers\\net.inf";
        device.items[0].size = size;
        device.best_index = device.latest_index = 0;
        device.best_is_update = device.latest_is_update = update;
        return device;
}

void results_pages_test_c::SetUp() {
    ASSERT_TRUE(collect_basic_facts());
    ASSERT_TRUE(load_settings());
    load_test_language(L"English");
    folders_ = std::make_unique<scratch_settings_c>(scratch_.path());
    settings().reports_asked = 1;  // the question after a first installation is its own test's
}

std::function<void(main_window_options_c&)> results_pages_test_c::backing_up_from(scratch_driver_store_c& driver_store) {
    std::wstring index_path = (scratch_.path() / "backup.xml").wstring();
    return [&driver_store, index_path](main_window_options_c& options) {
        options.store_location = &driver_store.location();
        options.backup_index_path = index_path;
    };
}

download_panel_c& results_pages_test_c::panel(test_main_window_c& main, std::size_t index) {
    return *main->download_page().panels().at(index).panel;
}
