#include "download/worker_call.h"

void run_worker_call(worker_call_c& call) noexcept {
    std::int32_t result = -1;
    try {
        if (call.procedure) result = call.procedure(call.argument);
    } catch (...) {
        result = -1;
    }
    call.result.store(result);
    call.finished.store(true);
}
