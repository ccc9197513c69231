#include "cli/install_environment.h"

#include "common/text_convert.h"

#include <filesystem>
#include <system_error>

install_environment_c install_environment() {
    install_environment_c environment;
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    environment.program_folder = utf8_to_wide(program.parent_path().u8string());
    return environment;
}

std::optional<std::uint32_t> run_to_end(const std::wstring&, const std::wstring&) { return std::nullopt; }
