// Backing driver packages up: the candidates (the driver store's package folders of the devices'
// installed INF files), one zip archive per ticked package in the backup folder, and its record
// in the backup index. A job owns everything it reads, so the page that started it, a rescan
// that rebuilds the device store, or the end of the program cannot free it under the job.
#pragma once

#include "backup/backup_index.h"
#include "devices/device_store.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Where the driver store keeps packages, and which store copy belongs to an installed INF.
struct driver_store_location_c {
    std::wstring root;  // "...\DriverStore\FileRepository", or empty when unknown
    std::function<std::optional<std::wstring>(const std::wstring& inf_name)> locate;  // full path of the copy
};

struct backup_candidate_c {
    bool inbox = false;           // the INF's name does not begin with "oem"
    std::wstring package_folder;  // the package's folder directly below the store root
    std::vector<const device_c*> devices;
};

// In device order; before Vista (os_version_number < 60) only oem packages.
std::vector<backup_candidate_c> build_backup_candidates(const device_store_c& store,
                                                        const driver_store_location_c& location,
                                                        int os_version_number);

// Archives every file below the package folder (names relative to it, "\" between parts) into a
// temporary file, flushed to the disk, and puts it in place only when every file went in and the
// flush succeeded: a failed backup never replaces a good archive, and a package with a file left
// out is no backup. Raises the counter
// from its value at the start by 100 over the files. The archive's SHA-256 as written (through the
// handle it was written with, zip_writer.h), or none when it failed.
std::optional<sha256_digest_c> write_package_archive(const std::wstring& package_folder, const std::wstring& archive,
                                                     std::atomic<std::int32_t>& progress);

struct backup_package_c {
    std::wstring folder;       // full path of the package's store folder
    std::wstring description;  // the first device's driver description, for the archive's name
    std::wstring inf_name;     // the first device's installed INF
    std::wstring version;      // and its driver version: the package's
    std::vector<device_texts_c> devices;
    // Taken before an update: recorded so, and named with its version, so that it never
    // replaces the archive of another version of the package.
    bool automatic = false;
};

// Backs one package up into the backup folder and records it in the process-wide index (under its
// lock): the archive's full path, or empty when the archive could not be written or recorded.
std::wstring back_up_package(const backup_package_c& package, const std::wstring& backup_folder,
                             const std::wstring& index_path, const std::string& today,
                             std::atomic<std::int32_t>& progress);

struct backup_job_c {
    std::vector<backup_package_c> packages;
    std::wstring backup_folder;
    std::wstring index_path;
    std::string today;                       // "%Y-%m-%d"
    std::atomic<std::int32_t> progress{0};   // 100 per package done
    std::vector<std::wstring> archives;      // written so far, read after the job ended
    std::atomic<bool> stop{false};           // set: no further package is begun
};

// A job for the ticked candidates, copying what it needs of them and of their devices.
std::shared_ptr<backup_job_c> make_backup_job(const std::vector<const backup_candidate_c*>& ticked,
                                              const driver_store_location_c& location,
                                              const std::wstring& backup_folder, const std::wstring& index_path,
                                              const std::string& today);

// The job's body: each package in turn, recorded in the process-wide index under its lock. 0, or
// -1 at the first package that fails (those before it stay backed up and recorded). A stop
// request ends it with 0 after the package under way.
std::int32_t run_backup_job(backup_job_c& job);
