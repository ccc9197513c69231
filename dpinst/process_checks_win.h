// What the installer checks before it touches anything.
#pragma once

// A 32-bit process on 64-bit Windows: the 32-bit installer refuses there, as the original does,
// since it cannot install 64-bit drivers.
bool running_as_32bit_on_64bit();

// The process token holds the Administrators group enabled (an elevated administrator).
bool has_administrator_rights();
