// What the machine's administrators allow beyond the signed channel. It is read only from the
// policy key, which a standard user cannot write:
//   HKEY_LOCAL_MACHINE\SOFTWARE\Policies\Quellmar\Vantorel (the 64-bit view on 64-bit Windows)
//     Mirror1 .. Mirror3       REG_SZ     the mirrors asked, before any the user's settings name
//     allow_unsigned_packages  REG_DWORD  1: items without a signature are taken, from these
//                                         mirrors only
// Nothing the user's own settings say widens trust: mirrors named there are asked with every
// check on.
#pragma once

#include <string>
#include <vector>

constexpr const wchar_t* trust_policy_key_path = L"SOFTWARE\\Policies\\Quellmar\\Vantorel";

struct trust_policy_c {
    std::vector<std::string> mirrors;  // usable URLs, normalised as mirror overrides are
    bool allow_unsigned = false;
};

// The policy as the machine has it; none where there is no such key (and off Windows).
trust_policy_c read_trust_policy();

// The mirrors whose unsigned items may be taken: the policy's own, when it allows them.
std::vector<std::string> unsigned_mirrors(const trust_policy_c& policy);
