// The installation's questions and notices as the windows ask them: message boxes owned by the
// program's window. The restart is offered once in the program's run, however many installations
// need one.
#pragma once

#include "download/start_install.h"

#include <windows.h>

class window_install_gates_c final : public install_gates_c {
public:
    explicit window_install_gates_c(HWND owner = nullptr) : owner_(owner) {}
    void set_owner(HWND owner) { owner_ = owner; }
    bool confirm_none_needed() override;
    bool user_is_administrator() override;
    void tell_administrator_required() override;
    void offer_restart() override;
    void tell_no_restore_point(bool unavailable) override;
    bool confirm_without_backup(const std::string& problem) override;
    void ask_about_reports() override;

private:
    HWND owner_;
    bool restart_offered_ = false;
    bool restore_point_told_ = false;
};
