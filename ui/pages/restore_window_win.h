// The restore page: the backups of the backup index in a tree (one tick at most), the selected
// backup's device as it was backed up, the backup folder, and the restore of the ticked backup
// through the driver package installer, forced, unpacked on a thread of its own.
#pragma once

#include "backup/backup_index.h"
#include "common/worker.h"
#include "download/installer_choice.h"
#include "ui/kit/tree_page_win.h"

#include <memory>
#include <string>

class restore_window_c : public tree_page_c {
public:
    explicit restore_window_c(shell_launcher_c& launcher)
        : tree_page_c(L"VantorelRestorePage", "btn_restore"), launcher_(launcher) {}
    void configure(std::wstring index_path) { index_path_ = std::move(index_path); }
    void set_store(std::shared_ptr<const device_store_c> store);
    // Loads the index and fills the tree; the notice of an empty index is posted, so it shows
    // once the page is ready.
    void refresh() override;
    // A restore is unpacking its archive (or starting the installer on it).
    bool unpacking() const { return worker_.running(); }

    static constexpr UINT WM_NO_BACKUP = 0x0400 + 101;
    // Watches a restore under way, to say why it restored nothing.
    static constexpr UINT_PTR restore_timer_id = 1;

protected:
    bool page_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
    void on_ticked(HTREEITEM item) override;
    void on_selected(LPARAM data) override;
    void on_button() override;
    void on_paint() override;
    detail_lines_c details() const override;
    const char* details_title() const override { return "backup_info"; }
    const char* settings_title() const override { return "restore_settings"; }
    const char* tree_name_key() const override { return "backup_info"; }
    // Waits a little for a restore still unpacking (it uses the launcher the page was given);
    // quitting has waited for it already, with a notice.
    void on_destroy() override;

private:

    shell_launcher_c& launcher_;
    worker_c worker_;  // the restore under way: unpacking, then starting the installer
    std::shared_ptr<std::string> problem_;  // why the restore under way failed, set by its worker
    std::wstring index_path_;
    std::shared_ptr<const device_store_c> store_;
    backup_index_c shown_;  // the entries in the tree (a copy: the job may record into the index)
    const backup_device_c* selected_ = nullptr;
};
