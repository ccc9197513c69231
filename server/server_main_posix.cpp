// vantorel-server: answers scan requests from the catalog and serves its package files.
// See server_usage() for the options. SIGHUP reloads the catalog (the old one is served until
// the new one is in), and so does a change of the catalog file with --watch-seconds; SIGTERM and
// SIGINT stop it gracefully.
#include "common/catalog_statement.h"
#include "common/version.h"
#include "server/catalog/catalog_loading.h"
#include "server/http/server_options.h"
#include "server/http/update_server.h"

#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>

namespace {

// What tells one version of the catalog file from another.
struct catalog_file_c {
    bool present = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec written{};
    bool operator==(const catalog_file_c& other) const {
        return present == other.present && device == other.device && inode == other.inode && size == other.size &&
               written.tv_sec == other.written.tv_sec && written.tv_nsec == other.written.tv_nsec;
    }
};

catalog_file_c catalog_file_facts(const std::string& path) {
    struct stat facts {};
    if (::stat(path.c_str(), &facts) != 0) return {};
    return {true, facts.st_dev, facts.st_ino, facts.st_size, facts.st_mtim};
}

void say(const std::string& line) { std::fprintf(stderr, "vantorel-server: %s\n", line.c_str()); }

bool load(const server_options_c& options, served_catalog_c& catalog, std::string& error) {
    catalog_load_report_c report;
    if (!load_served_catalog(options.catalog_path, options.check_files ? options.settings.packages_folder : "", catalog,
                             report, error, options.load_limits)) {
        say(error);
        return false;
    }
    char line[256];
    std::snprintf(line, sizeof line, "catalog %s: %zu packages, %zu device IDs, loaded in %.1f s", options.catalog_path.c_str(),
                  catalog.index->package_count(), catalog.index->entry_count(), report.seconds);
    say(line);
    if (report.left_out)
        say(std::to_string(report.left_out) + " package(s) left out: their archive is not in " +
            options.settings.packages_folder + " (" + missing_archives_text(report) + ")");
    if (report.statement_serial == 0)
        say("the catalog carries no signed statement: programs refuse its answers unless the machine's policy allows "
            "unsigned packages from this server (sign it with vantorel-catalog sign)");
    else
        say("catalog statement " + std::to_string(report.statement_serial) + ", valid until " +
            utc_moment_text(report.statement_expires) + ", " + std::to_string(report.withdrawn) +
            " withdrawn package(s) left out" +
            (report.statement_expires <= std::time(nullptr) ? "; it has EXPIRED: programs refuse its answers until it is signed again" : ""));
    if (!report.missing_installer.empty())
        say("no release served: its installer " + report.missing_installer + " is not in " + options.settings.packages_folder);
    else if (catalog.release)
        say("release " + catalog.release->version + ": " + catalog.release->file_name);
    return true;
}

int serve(const server_options_c& options) {
    // Block the signals before the service's threads start, so that only sigwait sees them.
    sigset_t signals;
    sigemptyset(&signals);
    for (int number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals, number);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    served_catalog_c catalog;
    std::string error;
    if (!load(options, catalog, error)) return 1;
    server_settings_c settings = options.settings;
    if (const std::string reports = reports_database_path(options); !reports.empty()) {
        settings.reports = open_report_store(reports, error);
        if (!settings.reports) {
            say(error + " (--reports-db none takes no reports)");
            return 1;
        }
        say("install reports kept in " + reports);
    }
    auto server = update_server_c::start(settings, catalog, error);
    if (!server) {
        say(error);
        return 1;
    }
    server->count_catalog_load(true);
    catalog = {};
    say("listening on " + server->base_url());
    if (server->admin_port())
        say("admin listener (health, metrics) on http://" + options.settings.admin_address + ":" +
            std::to_string(server->admin_port()) + "/");
    if (!options.port_file.empty()) {
        std::ofstream(options.port_file + ".part") << server->port() << "\n";
        std::rename((options.port_file + ".part").c_str(), options.port_file.c_str());
    }
    catalog_file_c file = catalog_file_facts(options.catalog_path), changed;
    while (true) {
        int received = 0;
        if (options.watch_seconds == 0) {
            sigwait(&signals, &received);
        } else {
            timespec wait{time_t(options.watch_seconds), 0};
            received = sigtimedwait(&signals, nullptr, &wait);
            if (received < 0) {
                // No signal: has the catalog file been replaced or written since it was loaded? It
                // is loaded once it has stayed the same for a whole interval (a copy may be under way).
                catalog_file_c now = catalog_file_facts(options.catalog_path);
                bool settled = now == changed;
                changed = now;
                if (!now.present || now == file || !settled) continue;
                say("the catalog file changed");
                received = SIGHUP;
            }
        }
        if (received != SIGHUP) {
            say("stopping (signal " + std::to_string(received) + "), open connections get " +
                std::to_string(options.stop_seconds) + " s");
            server->stop(options.stop_seconds);
            return 0;
        }
        served_catalog_c next;
        file = catalog_file_facts(options.catalog_path);
        bool loaded = load(options, next, error);
        // A copy older than the catalog served (a replica's file not yet replaced, an old backup)
        // never takes its place: programs would refuse its answers anyway.
        const std::uint64_t serving = server->catalog_statement_serial();
        if (loaded && next.index->statement_serial() < serving) {
            loaded = false;
            error = "its statement " + std::to_string(next.index->statement_serial()) + " is older than the one served (" +
                    std::to_string(serving) + ")";
            say("catalog refused: " + error);
        }
        server->count_catalog_load(loaded, error);
        if (loaded) server->replace_catalog(std::move(next));
        else say("still serving the catalog loaded before");
    }
}

}  // namespace

int main(int argc, char** argv) {
    try {
        server_options_c options;
        std::string error;
        if (parse_server_options(std::vector<std::string>(argv + 1, argv + argc), options, error) == options_outcome_c::misuse) {
            say(error);
            std::fputs(server_usage().c_str(), stderr);
            return 2;
        }
        if (options.help) return std::fputs(server_usage().c_str(), stdout), 0;
        if (options.version) return std::printf("vantorel-server %s\n", VANTOREL_VERSION), 0;
        return serve(options);
    } catch (const std::exception& failure) {
        say(failure.what());
        return 1;
    }
}
