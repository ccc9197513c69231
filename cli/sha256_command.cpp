// vantorel-cli sha256: the digest the program checks packages and backups against, for an
// operator comparing files and for the download benchmark's hashing figure.
#include "cli/cli_commands.h"
#include "common/file_digest.h"
#include "common/file_open.h"
#include "common/sha256.h"
#include "common/text_convert.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <iostream>

bool take_sha256_option(argument_reader_c& reader, std::optional<sha256_digest_c>& digest) {
    std::string text;
    if (!reader.take_value("--sha256", text)) return false;
    if (reader.failed()) return true;
    digest = digest_from_hex(text);
    if (!digest) reader.refuse("--sha256 takes 64 hexadecimal digits, not \"" + text + "\"");
    return true;
}

int sha256_command(const cli_arguments& arguments) {
    if (arguments.empty()) return command_line_problem("name at least one file");
    nlohmann::ordered_json files = nlohmann::ordered_json::array();
    bool all_read = true;
    for (const std::string& name : arguments) {
        const std::wstring path = utf8_to_wide(name);
        const auto start = std::chrono::steady_clock::now();
        const std::optional<sha256_digest_c> digest = file_sha256(path);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!digest) {
            std::fprintf(stderr, "vantorel-cli: cannot read %s\n", name.c_str());
            all_read = false;
            continue;
        }
        files.push_back({{"file", name}, {"size", file_size(path).value_or(0)}, {"sha256", digest_hex(*digest)},
                         {"seconds", seconds}});
    }
    const nlohmann::ordered_json out = {{"processor_extensions", sha256_uses_processor_extensions()}, {"files", files}};
    std::cout << out.dump(2) << "\n";
    return all_read ? 0 : 1;
}
