// Whether this process runs under Wine. Wine's ntdll exports wine_get_version, Windows' never
// does; code uses it only to choose a fallback where Wine lacks what Windows has, after the real
// call.
#pragma once

bool running_on_wine();
