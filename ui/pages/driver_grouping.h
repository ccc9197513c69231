// The download page's groups: one per package link of the chosen offers (best or latest), with
// the devices it serves in scan order, sorted for the page: needed packages first, then by the
// first device's class (unknown devices, display, sound, network, imaging, printers, the rest)
// and its setup class's description.
#pragma once

#include "devices/device_store.h"
#include "ui/pages/driver_group.h"

#include <vector>

// How descriptions are ordered (the user's locale on Windows).
using text_order_t = int (*)(const wchar_t*, const wchar_t*);

// 0 "Unknown", 1 "Display", 2 "MEDIA", 3 "Net", 4 "Image", 5 "Printer", 6 anything else
// (compared without regard to case).
int class_rank(const wchar_t* class_name);

// Offers the user hid are left out unless `show_hidden`; then their groups are marked hidden.
std::vector<driver_group_c> build_driver_groups(const device_store_c& store, package_mode_c mode, text_order_t order,
                                                bool show_hidden = false);
