// Data that an earlier version kept in the program folder, which this user cannot write to: the
// settings move to the data places, and what the old folders hold stays where it is.
#pragma once

#include "system/data_places.h"
#include "system/settings.h"

#include <string>

// Moves a stored download or backup folder inside the program folder to its default place when
// the data live elsewhere, and copies what the program needs to carry on into the data places
// (never over a file there): "backup.xml", "setup.dat" and the backup archives, so restoring an
// old backup works from the new backup folder. True when a setting changed (to be saved).
bool move_data_out_of_program_folder(settings_c& record, const data_places_c& places);
