// GDI+ for the life of an object: the application starts it before its windows and stops it
// after them.
#pragma once

#include <windows.h>

class gdiplus_session_c {
public:
    gdiplus_session_c();
    ~gdiplus_session_c();
    gdiplus_session_c(const gdiplus_session_c&) = delete;
    gdiplus_session_c& operator=(const gdiplus_session_c&) = delete;
    bool started() const { return token_ != 0; }

private:
    ULONG_PTR token_ = 0;
};
