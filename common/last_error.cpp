#include "common/last_error.h"

#include <atomic>

namespace {
std::atomic<failure_code_c> process_last_error{failure_code_c::none};
}

failure_code_c last_error() { return process_last_error.load(std::memory_order_relaxed); }

void set_last_error(failure_code_c code) { process_last_error.store(code, std::memory_order_relaxed); }
