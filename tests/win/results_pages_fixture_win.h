// What the results pages' tests share: a driver store of package folders made in a scratch
// folder (every "oem<N>.inf" and the inbox INFs the tests name get one), and the settings'
// download and backup folders pointed into the scratch folder.
#pragma once

#include "backup/backup_job.h"
#include "devices/device_record.h"
#include "tests/unit/test_files.h"
#include "tests/win/main_window_fixture_win.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class scratch_driver_store_c {
public:
    // Each package holds an INF and a driver file of driver_size bytes.
    explicit scratch_driver_store_c(const std::filesystem::path& root, std::size_t driver_size = 3000);
    const driver_store_location_c& location() const { return location_; }

private:
    std::filesystem::path root_;
    driver_store_location_c location_;
};

// Points the download and backup folders of this run at folder/download and folder/backup, and
// keeps the settings as they were for the destructor.
class scratch_settings_c {
public:
    explicit scratch_settings_c(const std::filesystem::path& folder);
    ~scratch_settings_c();

private:
    std::wstring download_, backup_;
};

// A network device with a driver of 2018 and one offer of 2019 (its best and its latest), an
// update or not.
device_c offered_device(const wchar_t* name, const std::string& link, std::uint32_t size, bool update);

// The fixture of the tests that drive the results pages: English texts, and the settings' folders
// in a scratch folder for the test's length.
class results_pages_test_c : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override { folders_.reset(); }

    // A main window backing up from the scratch driver store, its index in the scratch folder.
    std::function<void(main_window_options_c&)> backing_up_from(scratch_driver_store_c& driver_store);
    static download_panel_c& panel(test_main_window_c& main, std::size_t index);

    scratch_folder_c scratch_;
    std::unique_ptr<scratch_settings_c> folders_;
};
