// Finding an installed INF's copy in a driver store folder by the MD5 digest of its content: how
// the program finds packages where the system cannot tell it (before Vista, and under Wine, which
// lacks SetupGetInfDriverStoreLocationW).
#pragma once

#include <map>
#include <optional>
#include <string>

using store_digests_c = std::map<std::string, std::wstring>;  // digest -> full path of the INF copy

// Every "*.inf" below the root (names beginning with a full stop skipped).
store_digests_c build_store_digests(const std::wstring& store_root);

// The copy of the INF named `inf_name` in the INF folder, or nothing.
std::optional<std::wstring> locate_inf_in_store(const std::wstring& inf_folder, const std::wstring& inf_name,
                                                const store_digests_c& digests);
