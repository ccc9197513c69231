// GDI+ through MinGW's headers, which expect min and max in scope (the builds define NOMINMAX).
#pragma once

#include <windows.h>
#include <objidl.h>  // left out by WIN32_LEAN_AND_MEAN, needed by gdiplus.h

#include <algorithm>

namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus

#include <gdiplus.h>
