// A device's problem code as Device Manager shows it ("Code 52"), and what it means: a driver
// whose driver key names the new package may still not run.
#pragma once

#include <cstdint>
#include <string>

// "problem code 52: Windows cannot verify the digital signature of its driver" and the like;
// the code alone for one without a known meaning.
std::wstring device_problem_text(std::uint32_t code);
