#include "common/thread_start.h"
#include "tests/unit/thread_start_fault.h"

#include <atomic>

namespace {

std::atomic<bool> refusing{false};

}  // namespace

void refuse_thread_starts(bool refuse) { refusing.store(refuse); }

std::optional<std::thread> start_thread(std::function<void()> body) noexcept {
    if (refusing.load()) return std::nullopt;
    try {
        return std::thread(std::move(body));
    } catch (...) {
        return std::nullopt;
    }
}
