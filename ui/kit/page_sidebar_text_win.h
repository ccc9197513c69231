// The sidebar's texts as a screen reader reads them: its title, then each fact as its label and
// value, placed where the sidebar draws them.
#pragma once

#include "ui/kit/accessible_object_win.h"

#include <vector>

std::vector<accessible_element_c> sidebar_elements(const RECT& client);
