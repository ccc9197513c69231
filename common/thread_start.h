// Starting a worker thread without letting a refusal escape: a system out of threads (or memory
// for a stack) makes std::thread throw, and a caller that had already marked its work as running
// would then keep it marked for good. Callers roll back and report instead.
#pragma once

#include <functional>
#include <optional>
#include <thread>

// The running thread, or nothing when the system would not start one.
std::optional<std::thread> start_thread(std::function<void()> body) noexcept;
