// The drivers the program put on each device, and what they replaced: "updates.dat" in the user's
// data folder. Undo reads it to find the package to put back, and marks the device rolled back.
// One line per device (its latest update), fields between tabs, each percent-escaped (UTF-8):
// state ("updated" or "rolled-back"), instance path, the replaced driver's INF name and version,
// the version installed, the backup archive of the replaced package (empty: none was taken), the
// installed package's link, and for its report on Undo: its SHA-256, INF path and the hardware ID
// it was offered for.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct driver_update_c {
    std::wstring instance_path;
    std::wstring previous_inf;      // the driver in use before, such as "oem12.inf"; empty: none
    std::wstring previous_version;
    std::wstring installed_version;  // the offer's version that the program installed
    std::wstring backup_archive;     // file name in the backup folder; empty: no backup was taken
    bool rolled_back = false;
    std::string installed_link{};    // the package's link, as "setup.dat" names it
    std::string installed_sha256{};  // hex; empty for an unsigned package
    std::string installed_inf{};     // inside the package
    std::string hardware_id{};       // the ID the offer matched
};

class driver_updates_c {
public:
    // The device's latest update; instance paths compare without regard to case. Null: none.
    const driver_update_c* find(const std::wstring& instance_path) const;
    // Replaces the device's entry, or adds one.
    void record(const driver_update_c& update);
    const std::vector<driver_update_c>& entries() const { return entries_; }

private:
    std::vector<driver_update_c> entries_;
};

// "updates.dat" in this data folder.
std::wstring driver_updates_path(const std::wstring& data_folder);
// The file's entries: none when it does not exist; nothing when it cannot be read. Lines that are
// no entry are passed over.
std::optional<driver_updates_c> read_driver_updates(const std::wstring& path);
// Replaces the file (the old one stays whole when writing fails).
bool write_driver_updates(const std::wstring& path, const driver_updates_c& updates);

// Serialises the read, change and write of the file within the process (installations and Undo
// run on workers of their own).
extern std::mutex driver_updates_lock;

// Reads the file, records the updates and writes it back, under the lock; false when the file
// could not be read or written.
bool record_driver_updates(const std::wstring& path, const std::vector<driver_update_c>& updates);
