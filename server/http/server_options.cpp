#include "server/http/server_options.h"

#include "common/argument_reader.h"

#include <arpa/inet.h>

#include <cerrno>
#include <fstream>
#include <map>

namespace {

struct numeric_option_c {
    unsigned long least, most;
};

const std::map<std::string, numeric_option_c>& numeric_options() {
    static const std::map<std::string, numeric_option_c> options{
        {"items", {1, 1000}},      {"threads", {1, 256}},     {"answer-threads", {1, 256}},
        {"connections", {1, 65536}}, {"timeout", {1, 3600}}, {"stop-timeout", {0, 3600}},
        {"watch-seconds", {0, 86400}}, {"max-missing-percent", {0, 100}},
        {"connections-per-address", {0, 65536}}, {"client-share-percent", {1, 100}}, {"answers-per-client", {1, 65536}},
        {"request-seconds", {1, 3600}}, {"min-upload-rate", {0, 1u << 30}},
        {"demote-after", {1, 1000000}}, {"demote-failed-percent", {1, 100}}, {"demotion-refresh-seconds", {1, 3600}},
        {"graduate-after", {0, 1000000}},
    };
    return options;
}

const char* const text_options[] = {"catalog",    "packages",      "listen",    "admin-listen", "public-url",
                                    "trusted-proxy", "port-file", "config", "tls-cert", "tls-key", "reports-db", "packages-url"};

bool is_text_option(const std::string& name) {
    for (const char* known : text_options)
        if (name == known) return true;
    return false;
}

bool is_yes_no_option(const std::string& name) { return name == "check-files" || name == "allow-empty-catalog"; }

bool is_known_option(const std::string& name) {
    return is_text_option(name) || numeric_options().count(name) || is_yes_no_option(name);
}

// A number option's value into its field.
void apply_number(const std::string& name, unsigned long number, server_options_c& options) {
    if (name == "items") options.settings.items_per_device = number;
    else if (name == "threads") options.settings.threads = unsigned(number);
    else if (name == "answer-threads") options.settings.answer_threads = unsigned(number);
    else if (name == "connections") options.settings.connections = unsigned(number);
    else if (name == "timeout") options.settings.timeout_seconds = unsigned(number);
    else if (name == "watch-seconds") options.watch_seconds = unsigned(number);
    else if (name == "max-missing-percent") options.load_limits.max_missing_percent = unsigned(number);
    else if (name == "connections-per-address") options.settings.connections_per_address = unsigned(number);
    else if (name == "client-share-percent") options.settings.client_share_percent = unsigned(number);
    else if (name == "answers-per-client") options.settings.answers_per_client = number;
    else if (name == "request-seconds") options.settings.request_seconds = unsigned(number);
    else if (name == "min-upload-rate") options.settings.min_upload_rate = number;
    else if (name == "demote-after") options.settings.demotion.least_reports = std::uint32_t(number);
    else if (name == "demote-failed-percent") options.settings.demotion.failed_percent = std::uint32_t(number);
    else if (name == "demotion-refresh-seconds") options.settings.demotion_refresh_seconds = unsigned(number);
    else if (name == "graduate-after") options.settings.demotion.graduate_after = std::uint32_t(number);
    else options.stop_seconds = unsigned(number);
}

// --trusted-proxy: comma-separated IPv4 addresses.
bool apply_trusted_proxies(const std::string& value, server_options_c& options, std::string& error) {
    options.settings.trusted_proxies.clear();
    std::size_t start = 0;
    while (start <= value.size()) {
        std::size_t comma = value.find(',', start);
        std::string address = value.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        in_addr parsed{};
        if (inet_pton(AF_INET, address.c_str(), &parsed) != 1)
            return error = "--trusted-proxy takes IPv4 addresses separated by commas, not \"" + value + "\"", false;
        options.settings.trusted_proxies.push_back(address);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return true;
}

// --listen and --admin-listen: ADDRESS:PORT.
bool apply_listen(const std::string& name, const std::string& value, server_options_c& options, std::string& error) {
    std::size_t colon = value.rfind(':');
    std::optional<std::uint64_t> port =
        colon == std::string::npos ? std::nullopt : parse_whole_number(std::string_view(value).substr(colon + 1), 0, 65535);
    if (colon == 0 || !port)
        return error = "--" + name + " takes ADDRESS:PORT (port 0 picks a free one), not \"" + value + "\"", false;
    (name == "listen" ? options.settings.address : options.settings.admin_address) = value.substr(0, colon);
    (name == "listen" ? options.settings.port : options.settings.admin_port) = std::uint16_t(*port);
    return true;
}

// Sets one named option; false with `error` when the name or the value is wrong.
bool apply(const std::string& name, const std::string& value, server_options_c& options, std::string& error) {
    auto numeric = numeric_options().find(name);
    if (numeric != numeric_options().end()) {
        std::optional<std::uint64_t> parsed = parse_whole_number(value, numeric->second.least, numeric->second.most);
        if (!parsed) {
            error = number_problem("--" + name, numeric->second.least, numeric->second.most, value);
            return false;
        }
        apply_number(name, static_cast<unsigned long>(*parsed), options);
        return true;
    }
    if (is_yes_no_option(name)) {
        if (value != "yes" && value != "no") return error = "--" + name + " takes yes or no, not \"" + value + "\"", false;
        (name == "check-files" ? options.check_files : options.load_limits.allow_empty) = value == "yes";
        return true;
    }
    if (value.empty()) return error = "--" + name + " needs a value", false;
    if (name == "catalog") options.catalog_path = value;
    else if (name == "packages") options.settings.packages_folder = value;
    else if (name == "public-url") options.settings.public_url = value;
    else if (name == "port-file") options.port_file = value;
    else if (name == "tls-cert") options.settings.tls_certificate_file = value;
    else if (name == "tls-key") options.settings.tls_key_file = value;
    else if (name == "reports-db") options.reports_db = value;
    else if (name == "packages-url") {
        if (value.rfind("http://", 0) != 0 && value.rfind("https://", 0) != 0)
            return error = "--packages-url takes an http:// or https:// URL, not \"" + value + "\"", false;
        options.settings.packages_url = value;
    }
    else if (name == "trusted-proxy") return apply_trusted_proxies(value, options, error);
    else if (name == "listen" || name == "admin-listen") return apply_listen(name, value, options, error);
    return true;
}

bool read_config(const std::string& path, std::map<std::string, std::string>& values, std::string& error) {
    std::ifstream file(path);
    if (!file) return error = "cannot read the configuration file " + path, false;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') continue;
        std::size_t equals = line.find('=');
        auto trim = [](std::string text) {
            std::size_t a = text.find_first_not_of(" \t\r"), b = text.find_last_not_of(" \t\r");
            return a == std::string::npos ? std::string() : text.substr(a, b - a + 1);
        };
        std::string name = equals == std::string::npos ? "" : trim(line.substr(0, equals));
        if (name.empty() || name == "config" || !is_known_option(name)) {
            error = path + ":" + std::to_string(number) + ": expected \"name = value\" with a vantorel-server option's name";
            return false;
        }
        values[name] = trim(line.substr(equals + 1));
    }
    return true;
}

}  // namespace

std::string server_usage() {
    return "usage: vantorel-server --catalog FILE --packages DIR [options]\n"
           "       vantorel-server --config FILE [options]\n"
           "Answers scan requests from the catalog and serves its package files over HTTP or HTTPS.\n"
           "  --catalog FILE        the catalog database (opened read-only; reloaded on SIGHUP)\n"
           "  --packages DIR        the folder of the catalog's package archives\n"
           "  --listen ADDR:PORT    IPv4 address and port to listen on (default 127.0.0.1:0, a free port)\n"
           "  --public-url URL      base URL clients reach this server by (default from --listen)\n"
           "  --packages-url URL    answers link the packages under URL (a file server or CDN holding\n"
           "                        the packages folder; default: this server's /packages/)\n"
           "  --tls-cert FILE       serve HTTPS on --listen with this PEM certificate (or chain)\n"
           "  --tls-key FILE        and its unencrypted PEM private key; both or neither (the admin\n"
           "                        listener stays plain HTTP)\n"
           "  --admin-listen ADDR:PORT  serve GET /health and /metrics there, and not on --listen;\n"
           "                        without it they answer on --listen to loopback clients only\n"
           "  --items N             packages offered per device at most, 1-1000 (default 20)\n"
           "  --threads N           connection threads, 1-256 (default 2)\n"
           "  --answer-threads N    threads computing scan answers, 1-256 (default: as --threads)\n"
           "  --connections N       open connections at most, 1-65536 (default 512)\n"
           "  --connections-per-address N  open connections from one address, 0-65536 (default 32;\n"
           "                        0: no limit, as behind a load balancer)\n"
           "  --trusted-proxy A[,B...]  proxies (load balancers) whose X-Forwarded-For names the client\n"
           "  --client-share-percent N  of the request budget one client address may hold (default 25)\n"
           "  --answers-per-client N  scans one address may have queued or being answered\n"
           "                        (default 64); scans wait in one line per address, served in turn\n"
           "  --request-seconds N   whole time a request may take to arrive, 1-3600 (default 60)\n"
           "  --min-upload-rate N   bytes per second a request must average after 10 s (default 1024)\n"
           "  --timeout SECONDS     idle time before a connection is closed, 1-3600 (default 30)\n"
           "  --stop-timeout SECONDS  on SIGTERM, time open connections get to finish (default 30)\n"
           "  --check-files yes|no  leave out packages whose archive is missing (default yes)\n"
           "  --max-missing-percent N  refuse a catalog (keep serving the one before) when more than\n"
           "                        N % of its packages have no archive, 0-100 (default 10)\n"
           "  --allow-empty-catalog yes|no  serve a catalog that leaves no package (default no)\n"
           "  --watch-seconds N     look at the catalog file every N seconds, reload it when it\n"
           "                        changed (default 0: only on SIGHUP)\n"
           "  --reports-db FILE|URL keep install reports (POST /report) in this SQLite file (default\n"
           "                        reports.sqlite beside the catalog; none: take no reports), or in\n"
           "                        PostgreSQL (postgresql://USER@HOST:PORT/DATABASE), shared by servers\n"
           "  --demote-after N      a package is no longer offered to a hardware ID once N reports of\n"
           "                        it there came in since it was last promoted (default 10) and\n"
           "  --demote-failed-percent N  at least N % of them failed (default 30)\n"
           "  --demotion-refresh-seconds N  read the demotions and graduations again this often (default 10)\n"
           "  --graduate-after N    a package imported into testing is offered to everyone once N of\n"
           "                        its reports say it installed and no failure limit is passed\n"
           "                        (default 20; 0: only vantorel-catalog graduate)\n"
           "  --port-file FILE      write the port listened on to FILE\n"
           "  --config FILE         read options from FILE, \"name = value\" lines\n"
           "  --help, --version\n"
           "Exit status: 0 stopped by SIGTERM or SIGINT, 1 the catalog could not be loaded or the\n"
           "address not bound, 2 wrong command line or configuration file.\n";
}

options_outcome_c parse_server_options(const std::vector<std::string>& arguments, server_options_c& options,
                                       std::string& error) {
    std::map<std::string, std::string> given;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            return options_outcome_c::run;
        }
        if (argument == "--version") {
            options.version = true;
            return options_outcome_c::run;
        }
        if (argument.compare(0, 2, "--") != 0) {
            error = "unexpected argument \"" + argument + "\"";
            return options_outcome_c::misuse;
        }
        std::string name = argument.substr(2), value;
        std::size_t equals = name.find('=');
        if (equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            error = "--" + name + (is_text_option(name) || numeric_options().count(name) ? " needs a value" : ": unknown option");
            return options_outcome_c::misuse;
        }
        if (!is_known_option(name)) {
            error = "unknown option --" + name;
            return options_outcome_c::misuse;
        }
        given[name] = value;
    }
    std::map<std::string, std::string> values;
    if (given.count("config") && !read_config(given["config"], values, error)) return options_outcome_c::misuse;
    for (const auto& [name, value] : given) values[name] = value;
    values.erase("config");
    for (const auto& [name, value] : values)
        if (!apply(name, value, options, error)) return options_outcome_c::misuse;
    if (options.catalog_path.empty() || options.settings.packages_folder.empty()) {
        error = "name the catalog and the packages folder (--catalog FILE --packages DIR, or in --config FILE)";
        return options_outcome_c::misuse;
    }
    if (options.settings.tls_certificate_file.empty() != options.settings.tls_key_file.empty()) {
        error = "--tls-cert and --tls-key go together: name both, or neither";
        return options_outcome_c::misuse;
    }
    return options_outcome_c::run;
}

std::string reports_database_path(const server_options_c& options) {
    if (options.reports_db == "none") return {};
    if (!options.reports_db.empty()) return options.reports_db;
    const std::size_t slash = options.catalog_path.find_last_of('/');
    return (slash == std::string::npos ? std::string() : options.catalog_path.substr(0, slash + 1)) + "reports.sqlite";
}
