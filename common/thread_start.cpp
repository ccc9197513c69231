#include "common/thread_start.h"

#include <system_error>

std::optional<std::thread> start_thread(std::function<void()> body) noexcept {
    try {
        return std::thread(std::move(body));
    } catch (const std::system_error&) {
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}
