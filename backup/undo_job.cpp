#include "backup/undo_job.h"

install_start_c start_undo(const std::vector<std::wstring>& instance_paths, const undo_places_c& places,
                           download_session_c& session, const installer_context_c& context, install_gates_c& gates) {
    if (const std::optional<install_start_c> refused = install_worker_refusal(session, gates)) return *refused;
    session.install_job.context = context;
    session.install_job.context.claimed_ids.clear();
    return start_install_worker(session, [instance_paths, places](install_job_c& job) {
        job.undo = undo_updates(instance_paths, places, job.context);
        const std::int32_t result = job.undo->result == undo_result_c::failed ? -1 : 0;
        job.running.store(0);
        return result;
    });
}
