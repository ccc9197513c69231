// The tables of a catalog file, and the steps that bring a file written by an earlier version of
// the catalog tool up to the current form. Each step adds; nothing an earlier version wrote is
// changed, so that every catalog file stays readable.
//   version 0: packages, infs, entries
//   version 1: entries name their models section's decoration and [Manufacturer] line
//              (decoration, models_line: NULL in rows written before), and models_lines holds
//              each line's decorations
//   version 2: packages keep their archive's SHA-256 (sha256) and INF files the catalog owner's
//              signature (signature): NULL in rows written before, and for unsigned packages
//   version 3: releases holds the program's releases, the newest last (none in files written before)
//   version 4: catalog_statement holds the catalog owner's signed statement of the catalog (one
//              row at most) and withdrawn the digests it names as withdrawn, with their reasons
#pragma once

#include <string>

struct sqlite3;

constexpr int current_catalog_schema = 5;

// Creates the tables of a new file, or takes an older file through the steps it lacks, in one
// transaction. A file of a later version than this tool knows is refused.
bool prepare_catalog_schema(sqlite3* db, std::string& error);

// The file's version (PRAGMA user_version); -1 when it cannot be read.
int catalog_schema_version(sqlite3* db);
