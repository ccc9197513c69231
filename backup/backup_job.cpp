#include "backup/backup_job.h"

#include "backup/archive_naming.h"
#include "backup/package_files.h"
#include "backup/zip_writer.h"
#include "common/file_open.h"
#include "common/path_join.h"
#include "common/text_compare.h"
#include "common/text_convert.h"

#include <cwctype>

namespace {

bool begins_ignoring_case(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() && equal_ignoring_case(text.substr(0, prefix.size()), prefix);
}

}  // namespace

std::vector<backup_candidate_c> build_backup_candidates(const device_store_c& store,
                                                        const driver_store_location_c& location,
                                                        int os_version_number) {
    std::vector<backup_candidate_c> candidates;
    if (location.root.empty() || !location.locate) return candidates;
    for (const device_c& device : store.devices) {
        if (!device.has_driver || !device.inf_path[0]) continue;
        const bool oem = begins_ignoring_case(device.inf_path, L"oem");
        if (!oem && os_version_number < 60) continue;
        const std::optional<std::wstring> copy = location.locate(device.inf_path);
        if (!copy || copy->size() <= location.root.size() + 1 || !begins_ignoring_case(*copy, location.root)) continue;
        const std::wstring below = copy->substr(location.root.size() + 1);
        const std::wstring folder = below.substr(0, below.find_first_of(L"\\/"));
        if (folder.empty() || folder == below) continue;
        backup_candidate_c* found = nullptr;
        for (backup_candidate_c& candidate : candidates)
            if (equal_ignoring_case(candidate.package_folder, folder)) found = &candidate;
        if (found)
            found->devices.push_back(&device);
        else
            candidates.push_back({!oem, folder, {&device}});
    }
    return candidates;
}

std::optional<sha256_digest_c> write_package_archive(const std::wstring& package_folder, const std::wstring& archive,
                                                     std::atomic<std::int32_t>& progress) {
    const std::wstring partial = archive + L".part";
    const std::int32_t base = progress.load();
    std::vector<package_file_c> files;
    // A folder that could not be listed whole (or is gone) would give an archive missing files.
    if (!package_files(package_folder, files)) return std::nullopt;
    zip_writer_c writer;
    if (!writer.create_archive(partial)) return std::nullopt;
    bool complete = true;
    for (std::size_t i = 0; complete && i < files.size(); ++i) {
        complete = writer.add_file(files[i].path, wide_to_utf8(files[i].relative));
        progress.store(base + std::int32_t((i + 1) * 100 / files.size()));
    }
    complete = writer.close_archive() && complete && writer.written_digest().has_value();
    // On the disk before it takes the old archive's place: a crash then leaves one whole archive.
    complete = complete && flush_file_to_disk(partial);
    if (!complete || !replace_file(partial, archive)) {
        remove_file(partial);
        progress.store(base);
        return std::nullopt;
    }
    progress.store(base + 100);
    return writer.written_digest();
}

std::shared_ptr<backup_job_c> make_backup_job(const std::vector<const backup_candidate_c*>& ticked,
                                              const driver_store_location_c& location,
                                              const std::wstring& backup_folder, const std::wstring& index_path,
                                              const std::string& today) {
    auto job = std::make_shared<backup_job_c>();
    job->backup_folder = backup_folder;
    job->index_path = index_path;
    job->today = today;
    for (const backup_candidate_c* candidate : ticked) {
        if (!candidate || candidate->devices.empty()) continue;
        backup_package_c package;
        package.folder = join_path(location.root, candidate->package_folder);
        package.description = candidate->devices.front()->driver_description;
        package.inf_name = candidate->devices.front()->inf_path;
        package.version = candidate->devices.front()->driver_version;
        for (const device_c* device : candidate->devices) package.devices.push_back(device_texts_of(*device));
        job->packages.push_back(std::move(package));
    }
    return job;
}

std::wstring back_up_package(const backup_package_c& package, const std::wstring& backup_folder,
                             const std::wstring& index_path, const std::string& today,
                             std::atomic<std::int32_t>& progress) {
    const std::wstring stem = package.automatic ? package.description + L" " + package.version : package.description;
    std::wstring archive;
    {
        std::lock_guard<std::mutex> guard(backup_index_lock);
        archive = join_path(backup_folder, choose_archive_name(stem, package.inf_name, backup_index, backup_folder));
    }
    // What a restore will check the archive against: the bytes as they were written.
    const std::optional<sha256_digest_c> digest = write_package_archive(package.folder, archive, progress);
    if (!digest) return {};
    std::lock_guard<std::mutex> guard(backup_index_lock);
    const backup_origin_c origin{digest, package.inf_name, package.version, package.automatic};
    if (!record_backup(backup_index, archive, package.devices, index_path, today, origin)) return {};
    return archive;
}

std::int32_t run_backup_job(backup_job_c& job) {
    for (const backup_package_c& package : job.packages) {
        // The program is ending: the packages done so far stay backed up and recorded.
        if (job.stop.load()) return 0;
        const std::wstring archive = back_up_package(package, job.backup_folder, job.index_path, job.today, job.progress);
        if (archive.empty()) return -1;
        job.archives.push_back(archive);
    }
    return 0;
}
