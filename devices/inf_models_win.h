// Reading a driver INF through SetupAPI: the running platform, the model lines that apply to it,
// single fields and [Version] values.
#pragma once

#include "common/unique_handle.h"
#include "devices/inf_models.h"

#include <windows.h>
#include <setupapi.h>

#include <optional>
#include <string>
#include <vector>

struct inf_handle_traits_c {
    using handle = HINF;
    static HINF invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HINF inf) { SetupCloseInfFile(inf); }
};
using inf_handle_c = unique_handle_c<inf_handle_traits_c>;

// The native architecture (so a 32-bit process on 64-bit Windows sees amd64), the Windows version
// and the product type.
inf_platform_c running_platform();

// One field of a line (0 is its key), tokens substituted; nothing when it cannot be read.
std::optional<std::wstring> read_inf_field(INFCONTEXT& line, DWORD index);

// The first field of "key = value" in a section; nothing when absent.
std::optional<std::wstring> read_inf_value(HINF inf, const wchar_t* section, const wchar_t* key);

// The model lines of every manufacturer for the platform, in file order. False when the INF has
// no [Manufacturer] section.
bool read_platform_models(HINF inf, const inf_platform_c& platform, std::vector<inf_model_line_c>& lines);

// The catalog the INF names for the platform: CatalogFile.NT<architecture>, CatalogFile.NT or
// CatalogFile from [Version]; empty when it names none.
std::wstring read_catalog_name(HINF inf, const inf_platform_c& platform);

// The install section as decorated for the platform: <section>.NT<architecture>, <section>.NT or
// <section>, the first that exists; nt tells whether the one found is decorated for NT.
// Nothing when none exists.
std::optional<std::wstring> actual_install_section(HINF inf, const std::wstring& section,
                                                   const inf_platform_c& platform, bool& nt);
