// Keeps a file as it is while it is checked and then used: a package is verified and unpacked
// from a folder the user can write to, and nobody may swap its bytes in between. On Windows the
// hold is a handle that shares reading only, so no one can write, rename or delete the file while
// it lives; elsewhere (the Linux build, for tests) it only keeps the file open.
#pragma once

#include <memory>
#include <string>

class file_hold_c {
public:
    explicit file_hold_c(const std::wstring& path);
    ~file_hold_c();
    file_hold_c(const file_hold_c&) = delete;
    file_hold_c& operator=(const file_hold_c&) = delete;
    // False when the file could not be opened so (missing, or someone has it open for writing).
    bool held() const;

private:
    struct state_c;
    std::unique_ptr<state_c> state_;
};
