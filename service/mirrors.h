// The three base URLs of the update server's scan endpoint, tried in this order. They are
// deployment configuration: the defaults live here, and the registry (values "Mirror1" to
// "Mirror3" of the machine's policy key, trust_policy.h, or else of the user's settings key, read
// and never written by the program) or vantorel-cli's --mirror options can point them elsewhere,
// for example at local test servers.
#pragma once

#include <array>
#include <string>
#include <vector>

using mirror_list_c = std::array<std::string, 3>;

inline const mirror_list_c default_mirrors{
    "https://scan1.drivers.vantorel.example/",
    "https://scan2.drivers.vantorel.example/",
    "https://scan3.drivers.vantorel.example/",
};

// The defaults with the configured overrides applied as with_mirror_overrides applies them
// (Windows: the policy's or else the settings' registry values that are usable "https://" or
// "http://" URLs; elsewhere none).
mirror_list_c configured_mirrors();

// Replaces the first overrides.size() mirrors, in order; with fewer than three overrides the
// last one also serves the remaining places, so that no default host is ever mixed in.
mirror_list_c with_mirror_overrides(const mirror_list_c& base, const std::vector<std::string>& overrides);

// An override is taken only when it is an "https://" or "http://" URL; the path "/" is added
// when missing.
bool normalise_mirror_url(std::string& url);
