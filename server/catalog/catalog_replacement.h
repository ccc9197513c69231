// A new version of a catalog file is written beside it under a temporary name and put in its
// place in one rename: a server loading the catalog reads either the old file or the new one,
// whole, and a failed change leaves the old file as it was.
#pragma once

#include <string>

class catalog_replacement_c {
public:
    catalog_replacement_c() = default;
    ~catalog_replacement_c();  // removes the temporary file unless committed
    catalog_replacement_c(const catalog_replacement_c&) = delete;
    catalog_replacement_c& operator=(const catalog_replacement_c&) = delete;

    // Starts the new version: a copy of the current file (when `from_current` and it exists),
    // or nothing, for a catalog made anew.
    bool begin(const std::string& path, bool from_current, std::string& error);
    const std::string& staging_path() const { return staging_; }
    // Flushes the new version to disk and renames it over the old one.
    bool commit(std::string& error);

private:
    std::string path_, staging_;
    bool committed_ = false;
};
