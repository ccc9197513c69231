// The process's start-up failure: the root sets it from the value a failed preparation step
// returned, and it decides the exit code. Every other failure is returned to its caller.
#pragma once

#include "common/failure_code.h"

failure_code_c last_error();
void set_last_error(failure_code_c code);
