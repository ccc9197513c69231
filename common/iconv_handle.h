// One iconv conversion descriptor, closed when it goes out of scope (Linux).
#pragma once

#include <iconv.h>

class iconv_handle_c {
public:
    iconv_handle_c(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~iconv_handle_c() {
        if (valid()) iconv_close(handle_);
    }
    iconv_handle_c(const iconv_handle_c&) = delete;
    iconv_handle_c& operator=(const iconv_handle_c&) = delete;

    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return handle_; }

private:
    iconv_t handle_;
};
