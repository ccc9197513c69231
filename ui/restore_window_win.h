// The restore page: the backups of the backup index in a tree (one tick at most), the selected
// backup's device as it was backed up, the backup folder, and the restore of the ticked backup
// through the driver package installer, forced.
#pragma once

#include "backup/backup_index.h"
#include "download/installer_choice.h"
#include "ui/bitmap_button_win.h"
#include "ui/driver_tree_win.h"
#include "ui/window_base_win.h"

class restore_window_c : public window_base_c {
public:
    explicit restore_window_c(shell_launcher_c& launcher) : launcher_(launcher) {}
    bool create_page(HWND parent, const RECT& area);
    void configure(std::wstring index_path) { index_path_ = std::move(index_path); }
    void set_store(const device_store_c* store);
    // Loads the index and fills the tree (as showing the page does); the notice of an empty
    // index is posted, so it shows once the page is ready.
    void refresh();

    driver_tree_c& tree() { return tree_; }
    HWND button() const { return button_.handle(); }

    static constexpr UINT WM_ITEM_TICKED = 0x0400 + 100;
    static constexpr UINT WM_NO_BACKUP = 0x0400 + 101;
    static constexpr int button_id = 101;

protected:
    bool on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    void on_create();
    void on_size();
    void on_paint();
    void on_notify(const NMHDR& header);
    void on_ticked(HTREEITEM item);
    void on_button();

    shell_launcher_c& launcher_;
    std::wstring index_path_;
    const device_store_c* store_ = nullptr;
    backup_index_c shown_;  // the entries in the tree (a copy: the job may record into the index)
    driver_tree_c tree_;
    bitmap_button_c button_;
    const backup_device_c* selected_ = nullptr;
};
