// vantorel-cli: a console tool over the program's core for automation, diagnosis and tests.
// Each command prints JSON on standard output and returns the process exit code.
#pragma once

#include <string>
#include <vector>

using cli_arguments = std::vector<std::string>;  // UTF-8, without the program name

int run_cli(const cli_arguments& arguments);

// Commands; each receives the arguments that follow its name.
int facts_command(const cli_arguments& arguments);
int inventory_command(const cli_arguments& arguments);
int settings_command(const cli_arguments& arguments);
int schedule_command(const cli_arguments& arguments);
int request_command(const cli_arguments& arguments);
int download_command(const cli_arguments& arguments);
int fetch_command(const cli_arguments& arguments);
int install_command(const cli_arguments& arguments);
int backup_command(const cli_arguments& arguments);
int backups_command(const cli_arguments& arguments);
int restore_command(const cli_arguments& arguments);
int scan_command(const cli_arguments& arguments);
int answer_command(const cli_arguments& arguments);
int sha256_command(const cli_arguments& arguments);
int proxy_command(const cli_arguments& arguments);

// Takes every "--proxy VALUE" out of the arguments and makes the last one the proxy of the run;
// false, with a line on standard error, for a value that names no proxy.
bool take_proxy_option(cli_arguments& arguments);
