// vantorel-server's command line and configuration file.
#include "server/http/server_options.h"

#include "tests/unit/test_files.h"

#include <gtest/gtest.h>

namespace {

options_outcome_c parse(std::vector<std::string> arguments, server_options_c& options, std::string& error) {
    return parse_server_options(arguments, options, error);
}

}  // namespace

TEST(server_options, counts_are_whole_numbers_in_range_with_a_clear_message) {
    const std::vector<std::string> base{"--catalog", "c.sqlite", "--packages", "p"};
    for (const auto& [name, value] : std::vector<std::pair<std::string, std::string>>{
             {"--items", "0"}, {"--threads", "abc"}, {"--timeout", "-5"}, {"--connections", "0"}, {"--items", "5x"},
             {"--threads", "99999999999"}}) {
        server_options_c options;
        std::string error;
        auto arguments = base;
        arguments.insert(arguments.end(), {name, value});
        EXPECT_EQ(parse(arguments, options, error), options_outcome_c::misuse) << name << " " << value;
        EXPECT_NE(error.find(name + " takes a whole number"), std::string::npos) << error;
    }
    server_options_c options;
    std::string error;
    ASSERT_EQ(parse({"--catalog", "c", "--packages", "p", "--threads=4", "--listen", "0.0.0.0:8080", "--items", "7"}, options, error),
              options_outcome_c::run)
        << error;
    EXPECT_EQ(options.settings.threads, 4u);
    EXPECT_EQ(options.settings.port, 8080);
    EXPECT_EQ(options.settings.items_per_device, 7u);
}

TEST(server_options, help_version_and_misuse) {
    server_options_c options;
    std::string error;
    EXPECT_EQ(parse({"--help"}, options, error), options_outcome_c::run);
    EXPECT_TRUE(options.help);
    EXPECT_EQ(parse({"--version"}, options, error), options_outcome_c::run);
    EXPECT_EQ(parse({}, options, error), options_outcome_c::misuse);
    EXPECT_NE(error.find("--catalog"), std::string::npos);
    EXPECT_EQ(parse({"--catalog"}, options, error), options_outcome_c::misuse);
    EXPECT_EQ(error, "--catalog needs a value");
    EXPECT_EQ(parse({"--colour", "x"}, options, error), options_outcome_c::misuse);
    EXPECT_EQ(error, "unknown option --colour");
    EXPECT_EQ(parse({"--catalog", "c", "--packages", "p", "--listen", "nowhere"}, options, error), options_outcome_c::misuse);
    EXPECT_EQ(parse({"--catalog", "c", "--packages", "p", "--tls-cert", "cert.pem"}, options, error), options_outcome_c::misuse);
    EXPECT_EQ(error, "--tls-cert and --tls-key go together: name both, or neither");
}

TEST(server_options, a_configuration_file_gives_what_the_command_line_does_not) {
    scratch_folder_c folder;
    auto config = folder.write("server.conf", "# packaged defaults\ncatalog = /var/lib/vantorel/catalog.sqlite\n"
                                              "packages = /var/lib/vantorel/packages\nthreads = 3\n\nlisten = 0.0.0.0:8080\n");
    server_options_c options;
    std::string error;
    ASSERT_EQ(parse({"--config", config.string(), "--threads", "5"}, options, error), options_outcome_c::run) << error;
    EXPECT_EQ(options.catalog_path, "/var/lib/vantorel/catalog.sqlite");
    EXPECT_EQ(options.settings.threads, 5u);  // the command line wins
    EXPECT_EQ(options.settings.address, "0.0.0.0");
    auto wrong = folder.write("wrong.conf", "catalog = c\nthreds = 3\n");
    EXPECT_EQ(parse({"--config", wrong.string()}, options, error), options_outcome_c::misuse);
    EXPECT_NE(error.find("wrong.conf:2:"), std::string::npos) << error;
}
