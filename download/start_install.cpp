#include "download/start_install.h"

install_start_c start_install(const install_request_c& request, download_session_c& session,
                            const installer_context_c& context, install_gates_c& gates) {
    if (session.state != download_state_c::complete) return install_start_c::not_complete;
    if (request.none_needed && !gates.confirm_none_needed()) return install_start_c::declined;
    if (const std::optional<install_start_c> refused = install_worker_refusal(session, gates)) return *refused;
    install_job_c& job = session.install_job;
    job.package_path = session.final_path;
    job.inf_paths = std::set<std::wstring>(request.inf_names.begin(), request.inf_names.end());
    job.link = request.link;
    job.expected_sha256 = session.expected_sha256;
    job.context = context;
    job.context.claimed_ids.clear();
    for (std::size_t i = 0; i < request.inf_names.size() && i < request.hardids.size(); ++i)
        job.context.claimed_ids.emplace_back(request.inf_names[i], request.hardids[i]);
    job.update_devices = request.update_devices;
    job.back_up = request.back_up;
    job.back_up_first = request.back_up_first;
    job.offered_version = request.offered_version;
    job.drivers_changed = request.drivers_changed;
    job.report_origin = request.report_origin;
    job.stop.store(false);
    return start_install_worker(session, install_package);
}

std::optional<install_start_c> install_worker_refusal(download_session_c& session, install_gates_c& gates) {
    if (!gates.user_is_administrator()) {
        gates.tell_administrator_required();
        return install_start_c::not_administrator;
    }
    if (session.install_job.running.load() != 0) return install_start_c::already_running;
    return std::nullopt;
}

install_start_c start_install_worker(download_session_c& session, std::function<std::int32_t(install_job_c&)> body) {
    install_job_c& job = session.install_job;
    job.report = {};
    job.backup_problem.clear();
    job.undo.reset();
    job.running.store(1);
    const bool started = job.worker.start([keep = session.shared_from_this(), body = std::move(body)](const std::atomic<bool>&) {
        return body(keep->install_job);
    });
    if (!started) {
        job.running.store(0);
        return install_start_c::no_thread;
    }
    return install_start_c::started;
}
