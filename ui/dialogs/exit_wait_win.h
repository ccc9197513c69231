// Work that has to end before the program does (a backup's package under way, an unpacking), waited
// for on the user interface thread without freezing it: a notice says what is awaited, every
// window's messages are handled meanwhile, and the wait has a bound.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

// Shows `text` in the program's message box (kind 0, owned by `owner`) while `running` holds, for
// at most `limit`; the box closes by itself when the work ends. Closed early by the user, the
// wait goes on without it, messages still handled. True when the work ended within the limit.
bool wait_with_notice(HWND owner, const std::wstring& text, const std::function<bool()>& running,
                      std::chrono::milliseconds limit);
