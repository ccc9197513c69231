#include "ui/kit/gdiplus_session_win.h"

#include "ui/kit/gdiplus_win.h"

gdiplus_session_c::gdiplus_session_c() {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
}

gdiplus_session_c::~gdiplus_session_c() {
    if (token_) Gdiplus::GdiplusShutdown(token_);
}
