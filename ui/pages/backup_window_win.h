// The backup page: the driver packages that can be backed up in a tree with check boxes (the
// packages of the scan's devices, Windows' own apart), the selected device's driver, the backup
// folder, and the backup job with its progress bar. The job owns what it reads, so a new scan or
// the end of the program cannot free it; closing the program asks first and lets the package
// under way finish.
#pragma once

#include "backup/backup_job.h"
#include "common/worker.h"
#include "ui/kit/tree_page_win.h"

#include <memory>
#include <vector>

class backup_window_c : public tree_page_c {
public:
    backup_window_c() : tree_page_c(L"VantorelBackupPage", "btn_backup") {}
    // Where packages are looked for and the index is kept (set before the page is shown).
    void configure(const driver_store_location_c* location, std::wstring index_path);
    // The scan's store; null while a new scan replaces the device records.
    void set_store(std::shared_ptr<const device_store_c> store);
    bool job_running() const { return worker_.running(); }
    // At the program's end: no further package is begun, and the job's end shows no box. The
    // program waits for the package under way (its archive and the index stay whole).
    void stop_job();

    HTREEITEM available_root() const { return available_root_; }
    HTREEITEM inbox_root() const { return inbox_root_; }
    const std::vector<backup_candidate_c>& candidates() const { return candidates_; }
    const std::shared_ptr<backup_job_c>& job() const { return job_; }
    void refresh() override;

    static constexpr UINT_PTR timer_id = 1;

protected:
    bool page_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
    void on_ticked(HTREEITEM item) override;
    void on_selected(LPARAM data) override;
    void on_button() override;
    void on_paint() override;
    detail_lines_c details() const override;
    const char* details_title() const override { return "device_detail_driver_information"; }
    const char* settings_title() const override { return "backup_settings"; }
    const char* tree_name_key() const override { return "backup_available_drivers"; }

private:
    void on_timer();

    const driver_store_location_c* location_ = nullptr;
    std::wstring index_path_;
    std::shared_ptr<const device_store_c> store_;
    std::vector<backup_candidate_c> candidates_;
    HTREEITEM available_root_ = nullptr, inbox_root_ = nullptr;
    const device_c* selected_ = nullptr;
    worker_c worker_;
    std::shared_ptr<backup_job_c> job_;
    int job_packages_ = 0;
};
