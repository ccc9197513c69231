// The process's start-up failure, as the root sets it from what a failed preparation step
// returned (the failure message and the exit code come from the step's position). Every other
// failure is returned to its caller.
#pragma once

#include "common/failure_code.h"

failure_code_c last_error();
void set_last_error(failure_code_c code);
