// One writer at a time: every change of a catalog holds an exclusive lock on the file
// "<catalog>.lock" beside it, from the copy of the current catalog to the rename of the new one.
// Without it, two changes that started from the same catalog both succeed and the second rename
// drops the first change. The lock file names its holder, so that a refused change can say who.
#pragma once

#include <string>

class catalog_lock_c {
public:
    catalog_lock_c() = default;
    ~catalog_lock_c();  // releases the lock
    catalog_lock_c(const catalog_lock_c&) = delete;
    catalog_lock_c& operator=(const catalog_lock_c&) = delete;

    // Takes the lock of the catalog at `catalog_path` for `holder` (what the change is, for the
    // message a refused one gets). `wait`: waits for a change in progress to end, telling so once on
    // standard error; otherwise fails at once, naming the holder.
    bool acquire(const std::string& catalog_path, const std::string& holder, bool wait, std::string& error);
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};
