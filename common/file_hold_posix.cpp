#include "common/file_hold.h"

#include "common/text_convert.h"

#include <fcntl.h>
#include <unistd.h>

struct file_hold_c::state_c {
    int descriptor = -1;
    ~state_c() {
        if (descriptor >= 0) close(descriptor);
    }
};

file_hold_c::file_hold_c(const std::wstring& path) : state_(std::make_unique<state_c>()) {
    state_->descriptor = open(wide_to_utf8(path).c_str(), O_RDONLY | O_CLOEXEC);
}

file_hold_c::~file_hold_c() = default;

bool file_hold_c::held() const { return state_->descriptor >= 0; }
