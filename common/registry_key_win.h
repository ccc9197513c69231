// The program's one way to the registry: an owned key handle, closed on every path out of its
// scope, that opens (reading creates nothing), creates, reads and writes text and number values,
// and deletes values and keys. Each call returns the registry's status or what it read.
#pragma once

#include "common/unique_handle.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct registry_key_traits_c {
    using handle = HKEY;
    static HKEY invalid() { return nullptr; }
    static void close(HKEY key) { RegCloseKey(key); }
};

// A value as the registry keeps it: its type and its bytes.
struct registry_value_c {
    DWORD type = REG_NONE;
    std::vector<unsigned char> bytes;
};

class registry_key_c : public unique_handle_c<registry_key_traits_c> {
public:
    using unique_handle_c::unique_handle_c;

    // Opens an existing key parent\path; never creates one.
    LONG open(HKEY parent, const wchar_t* path, REGSAM access = KEY_READ);
    // Creates or opens parent\path. With a transaction the key is created inside it, through
    // RegCreateKeyTransactedW looked up at run time.
    LONG create(HKEY parent, const wchar_t* path, REGSAM access, bool* existed = nullptr, HANDLE transaction = nullptr);

    // The value as stored; nothing when it is missing or cannot be read.
    std::optional<registry_value_c> read_value(const wchar_t* name) const;
    // A REG_SZ value (or, where `types` says so, a REG_EXPAND_SZ value too, not expanded) up to its
    // first terminator; nothing when it is missing or of another type.
    enum class text_types_c { plain, plain_or_expandable };
    std::optional<std::wstring> read_text(const wchar_t* name, text_types_c types = text_types_c::plain) const;
    // A 32-bit value read into 4 bytes; as the settings have always been read, its registry type is
    // not checked. Nothing when it is missing or longer.
    std::optional<std::uint32_t> read_number(const wchar_t* name) const;

    LONG write_text(const wchar_t* name, std::wstring_view text) const;  // REG_SZ, terminator included
    LONG write_number(const wchar_t* name, std::uint32_t number) const;  // REG_DWORD
    LONG write_value(const wchar_t* name, DWORD type, const void* data, DWORD size) const;
    // A missing value is no error.
    LONG delete_value(const wchar_t* name) const;

    // Deletes parent\path with everything below it; a missing key is no error.
    static LONG delete_key(HKEY parent, const wchar_t* path);
};
