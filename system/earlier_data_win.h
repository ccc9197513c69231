// Data that an earlier version kept in the program folder, which this user cannot write to: the
// settings move to the data places, and what the old folders hold stays where it is.
#pragma once

#include "system/data_places.h"
#include "system/settings.h"

#include <string>

// Moves a stored download or backup folder inside the program folder to its default place when
// the data live elsewhere, and copies what the program needs to carry on into the data places
// (never over a file there): the backup archives of a moved backup folder, so restoring an old
// backup works from the new one, and "backup.xml" and "setup.dat" when a folder moved or the
// data folder is new. True when a setting changed (to be saved). The archives are copied at
// once, on the calling thread: it happens at the first start after an upgrade only.
bool move_data_out_of_program_folder(settings_c& record, const data_places_c& places);
