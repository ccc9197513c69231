#include "common/last_error.h"

#include <atomic>

namespace {
std::atomic<std::int32_t> process_last_error{0};
}

std::int32_t last_error() { return process_last_error.load(std::memory_order_relaxed); }

void set_last_error(std::int32_t code) { process_last_error.store(code, std::memory_order_relaxed); }
