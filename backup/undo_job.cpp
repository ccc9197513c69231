#include "backup/undo_job.h"

install_start_c start_undo(const std::vector<std::wstring>& instance_paths, const undo_places_c& places,
                           download_session_c& session, const installer_context_c& context, install_gates_c& gates) {
    if (!gates.user_is_administrator()) {
        gates.tell_administrator_required();
        return install_start_c::not_administrator;
    }
    install_job_c& job = session.install_job;
    if (job.running.load() != 0) return install_start_c::already_running;
    job.context = context;
    job.context.claimed_ids.clear();
    job.undo.reset();
    job.report = {};
    job.backup_problem.clear();
    job.running.store(1);
    const bool started = job.worker.start([keep = session.shared_from_this(), instance_paths, places](const std::atomic<bool>&) {
        install_job_c& running = keep->install_job;
        running.undo = undo_updates(instance_paths, places, running.context);
        const std::int32_t result = running.undo->result == undo_result_c::failed ? -1 : 0;
        running.running.store(0);
        return result;
    });
    if (!started) {
        job.running.store(0);
        return install_start_c::no_thread;
    }
    return install_start_c::started;
}
