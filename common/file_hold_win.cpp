#include "common/file_hold.h"

#include "common/kernel_handle_win.h"

#include <windows.h>

struct file_hold_c::state_c {
    kernel_handle_c handle;
};

file_hold_c::file_hold_c(const std::wstring& path) : state_(std::make_unique<state_c>()) {
    state_->handle = file_handle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
}

file_hold_c::~file_hold_c() = default;

bool file_hold_c::held() const { return state_->handle.valid(); }
