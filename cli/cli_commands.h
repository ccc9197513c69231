// vantorel-cli: a console tool over the program's core for automation, diagnosis and tests.
// Each command prints JSON on standard output and returns the process exit code.
#pragma once

#include "common/argument_reader.h"
#include "common/sha256.h"

#include <optional>
#include <string>
#include <vector>

using cli_arguments = std::vector<std::string>;  // UTF-8, without the program name

int run_cli(const cli_arguments& arguments);

// The exit code of a command line a command cannot use; run_cli then prints the command's usage
// on standard error.
constexpr int exit_misuse = 2;

// Says on standard error what is wrong with the command line and returns exit_misuse.
int command_line_problem(const std::string& problem);

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
int undo_command(const cli_arguments& arguments);
int report_command(const cli_arguments& arguments);
int scan_command(const cli_arguments& arguments);
int answer_command(const cli_arguments& arguments);
int sha256_command(const cli_arguments& arguments);
int proxy_command(const cli_arguments& arguments);
int hide_command(const cli_arguments& arguments);
int unhide_command(const cli_arguments& arguments);
int hidden_command(const cli_arguments& arguments);

// Takes every "--proxy VALUE" out of the arguments and makes the last one the proxy of the run;
// false, with a line on standard error, for a missing value or one that names no proxy.
bool take_proxy_option(cli_arguments& arguments);

// Takes "--sha256 HEX", the digest a package is checked against, when it is at hand.
bool take_sha256_option(argument_reader_c& reader, std::optional<sha256_digest_c>& digest);
