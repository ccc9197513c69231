// Runs a fuzz input on a thread whose stack is as small as the program's worker threads' (the
// scan query and the backup page parse on them): a recursion that fits the fuzzer's main stack
// but not a worker's is then found here too.
#pragma once

#include <pthread.h>

#include <cstddef>
#include <cstdlib>
#include <functional>

// The stack a thread of Vantorel.exe gets: the PE default reserve of the MinGW linker.
constexpr std::size_t program_thread_stack = 2u << 20;

inline void run_on_worker_stack(const std::function<void()>& work) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, program_thread_stack);
    pthread_t thread;
    auto body = [](void* argument) -> void* {
        (*static_cast<const std::function<void()>*>(argument))();
        return nullptr;
    };
    if (pthread_create(&thread, &attributes, body, const_cast<std::function<void()>*>(&work)) != 0) std::abort();
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}
