// The backup index: "backup.xml" (where: index_location.h), one entry per archive in the backup
// folder with the date of its last backup and the devices whose drivers it holds. Texts are
// bytes of the ANSI code page, in CDATA sections; the file is written whole, through a temporary
// file renamed over the old one, so a crash or a full disk never leaves a cut index.
#pragma once

#include "common/sha256.h"
#include "devices/device_store.h"
#include "devices/device_texts.h"

#include <mutex>
#include <optional>
#include <string>
#include <vector>


struct backup_device_c {
    const device_c* device = nullptr;  // in the device store the index was loaded against; null when absent
    // As the file gives them (what the restore page shows).
    wchar_t id[200] = {};
    wchar_t desc[1025] = {};
    wchar_t manu[129] = {};
    wchar_t name[260] = {};
    wchar_t version[32] = {};
    wchar_t driver_date[11] = {};
    wchar_t backup_date[11] = {};
    wchar_t archive_name[260] = {};
    // The device's texts when the index was loaded or the backup recorded: the next save writes
    // the drivers as installed then, without a pointer into a store that a rescan may free. A
    // device the store lacks keeps the texts the file gave.
    device_texts_c current;
};

struct backup_entry_c {
    char file_name[260] = {};  // the archive's file name, never a path; the entry's key
    char date[11] = {};        // "%Y-%m-%d" of the last backup into the archive
    std::vector<backup_device_c> devices;
    // The archive is in the backup folder the index was read against (or was just written): only
    // such entries are offered for restore. The others are kept and saved again, as read.
    bool archive_present = false;
    // The archive's SHA-256 when it was written; a restore unpacks only an archive that still has
    // it. Entries of index files written before digests were kept have none.
    std::optional<sha256_digest_c> sha256;
    // The package the archive holds, as it was when backed up: its installed INF name and
    // version. The device texts follow the drivers installed since; these never change. Empty in
    // entries of older index files.
    std::wstring package_inf;
    std::wstring package_version;
    bool automatic = false;  // taken by the program before it installed an update over the package
};

using backup_index_c = std::vector<backup_entry_c>;

// The process-wide index and the lock that serialises its loads (UI thread) with the backup
// job's records.
extern backup_index_c backup_index;
extern std::mutex backup_index_lock;

struct backup_index_load_c {
    int result = -1;   // 0 read; -1 missing, unreadable, damaged or without entries (index kept)
    std::wstring set_aside;  // a damaged file moved here so that the next save does not lose it
};

// Reads the index file against the backup folder: entries whose archive is missing there are kept
// with `archive_present` false, devices the store lacks with a null `device`; only entries that
// cannot be read (no file name or date, a name that is no plain file name, not one readable device)
// are dropped. A file that
// cannot be parsed is moved aside to "<file>.bad" (or ".bad.1", ... never over an earlier one).
// A missing, unreadable or empty file leaves the entries as they were, their devices looked up
// again in this store and their archives in this folder.
backup_index_load_c load_backup_index(backup_index_c& index, const std::wstring& index_path,
                                      const std::wstring& backup_folder, const device_store_c& store);

// The document as written: declaration, root "vantorel", tab indents, CRLF line ends.
std::string backup_index_text(const backup_index_c& index);

// True when the whole file was written and put in place; false keeps the old file.
bool save_backup_index(const backup_index_c& index, const std::wstring& index_path);

// What a new entry says of the archive beside its devices.
struct backup_origin_c {
    std::optional<sha256_digest_c> sha256;
    std::wstring package_inf;      // the package's installed INF name, such as "oem12.inf"
    std::wstring package_version;  // its driver version
    bool automatic = false;        // taken before an update
};

// Records a backup of the archive with the package's devices (dated today), replacing the entry
// of the same archive name, then saves; false when the index could not be saved.
bool record_backup(backup_index_c& index, const std::wstring& archive_path, const std::vector<device_texts_c>& devices,
                  const std::wstring& index_path, const std::string& today, const backup_origin_c& origin = {});

// The entry whose archive, present in the backup folder, holds the package of this INF name and
// version (INF names compare without regard to case); null when none does.
const backup_entry_c* backup_of_package(const backup_index_c& index, const std::wstring& inf_name,
                                        const std::wstring& version);

// The digest recorded for the archive of this name; none when the index has no such entry or the
// entry none.
std::optional<sha256_digest_c> recorded_archive_digest(const backup_index_c& index, const std::wstring& archive_name);
