// What the installer does first with a package that lies in a folder the user can write to:
// nothing of it runs elevated from there. The package is opened once, copied by that handle into
// a protected folder (protected_folder_win.h) while its bytes are hashed, refused when the digest
// is not the one expected, and unpacked from the copy; everything the installer runs or installs
// afterwards comes from that folder. A link re-pointed or a file swapped after the program checked
// the package changes nothing: the copy is checked again.
#pragma once

#include "common/sha256.h"
#include "download/protected_folder_win.h"

#include <optional>
#include <string>

struct package_intake_c {
    protected_folder_c folder;
    std::wstring copy;   // the package's copy, under the package's file name
    std::wstring files;  // its unpacked content; empty when it was not unpacked
};

// Copies, checks and (when `unpack`) unpacks the package; none, with the reason, when any step
// fails. The folder and everything in it go with the intake.
std::optional<package_intake_c> take_in_package(const std::wstring& package, const std::optional<sha256_digest_c>& expected,
                                                bool unpack, std::wstring& error);

// A path inside the package, as /PATH and /RUN give it: relative, with no "." or ".." part and no
// drive; joined to the unpacked folder, or empty when it is no such path.
std::wstring inside_package(const package_intake_c& intake, const std::wstring& relative);
