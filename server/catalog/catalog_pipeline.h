// Reading a catalog and building its index at once, on two threads: the reader's records go in
// batches (their texts copied into the batch) through a short queue to the builder.
#pragma once

#include "server/catalog/catalog_index.h"

#include <functional>
#include <string>

// Runs `read` on a thread of its own with a sink that hands batches to `build`, which takes them
// on the calling thread. Returns what `read` returned.
bool read_while_building(const std::function<bool(catalog_record_sink_c&)>& read, catalog_record_sink_c& build);
