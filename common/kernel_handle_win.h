// Owned kernel handles (files, processes, threads, events), closed with CloseHandle.
#pragma once

#include "common/unique_handle.h"

#include <windows.h>

struct kernel_handle_traits_c {
    using handle = HANDLE;
    static handle invalid() { return nullptr; }
    static void close(handle h) { CloseHandle(h); }
};
using kernel_handle_c = unique_handle_c<kernel_handle_traits_c>;

// CreateFileW reports failure as INVALID_HANDLE_VALUE rather than null.
inline kernel_handle_c file_handle(HANDLE opened) {
    return kernel_handle_c(opened == INVALID_HANDLE_VALUE ? nullptr : opened);
}
