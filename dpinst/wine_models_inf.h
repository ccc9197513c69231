// Wine 8 finds a device's models section only under the decoration "NT<architecture>", "NT" or
// none, and passes over sections decorated with a target Windows version ("NTamd64.6.1"), which
// most packages use: its device installation then installs nothing and still reports success.
// Under Wine the installer therefore stages a copy whose INF shows the section Windows would
// choose under the plain architecture decoration. Windows itself always gets the package as it is.
#pragma once

#include "devices/inf_models.h"

#include <optional>
#include <string>

// The INF's bytes with, for each [Manufacturer] line whose chosen section names a version, that
// line's decorations reduced to "NT<architecture>", the chosen section renamed to it, and a
// section that had that name before renamed out of the way. Nothing when no line needs it.
std::optional<std::string> inf_with_plain_models_decoration(const std::string& bytes, const inf_platform_c& platform);
