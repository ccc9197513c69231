// An owned registry key handle, closed on every path out of its scope.
#pragma once

#include "common/unique_handle.h"

#include <windows.h>

#include <string>

struct registry_key_traits_c {
    using handle = HKEY;
    static HKEY invalid() { return nullptr; }
    static void close(HKEY key) { RegCloseKey(key); }
};

class registry_key_c : public unique_handle_c<registry_key_traits_c> {
public:
    using unique_handle_c::unique_handle_c;

    // Creates or opens parent\path. With a transaction the key is created inside it, through
    // RegCreateKeyTransactedW looked up at run time. Returns the registry's status.
    LONG create(HKEY parent, const wchar_t* path, REGSAM access, bool* existed = nullptr, HANDLE transaction = nullptr);
};

// The REG_SZ value of a key (up to 1023 characters); empty when it is missing, longer or of
// another type.
std::wstring registry_text_value(HKEY key, const wchar_t* name);
