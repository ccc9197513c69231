// What the backup and restore pages share: a page with the tree at its left and the big button,
// filled again each time it is shown, a check-box click handed on once the tree has changed the
// tick (WM_ITEM_TICKED), and the selected item's data. The tree and the button are tab stops; Space
// ticks the selected item as a click on its check box does.
#pragma once

#include "devices/device_store.h"
#include "ui/pages/backup_details_win.h"
#include "ui/kit/bitmap_button_win.h"
#include "ui/kit/driver_tree_win.h"
#include "ui/kit/window_base_win.h"

class tree_page_c : public window_base_c {
public:
    bool create_page(HWND parent, const RECT& area);
    driver_tree_c& tree() { return tree_; }
    HWND button() const { return button_.handle(); }
    // Fills the tree (as showing the page does).
    virtual void refresh() = 0;

    static constexpr UINT WM_ITEM_TICKED = 0x0400 + 100;
    static constexpr int button_id = 101;

protected:
    tree_page_c(const wchar_t* class_name, const char* button_key) : class_name_(class_name), button_key_(button_key) {}

    // The page's own messages, after the shared ones.
    virtual bool page_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);
    virtual void on_ticked(HTREEITEM item) = 0;
    virtual void on_selected(LPARAM data) = 0;
    virtual void on_button() = 0;
    virtual void on_paint() = 0;
    // The details block beside the tree (its title and rows) and the settings block's title, as
    // painted and as a screen reader reads them.
    virtual detail_lines_c details() const = 0;
    virtual const char* details_title() const = 0;
    virtual const char* settings_title() const = 0;
    // What a screen reader calls the tree.
    virtual const char* tree_name_key() const = 0;
    // As the page is destroyed, before its tree.
    virtual void on_destroy() {}

    // The image of a device's class in the store's class image list, or -1.
    static int class_image(const device_store_c& store, const device_c* device);

private:
    bool on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) final;
    void on_create();
    void on_size();
    void on_notify(const NMHDR& header);
    LRESULT on_get_object(WPARAM wparam, LPARAM lparam);

    const wchar_t* class_name_;
    const char* button_key_;
    driver_tree_c tree_;
    bitmap_button_c button_;
};
