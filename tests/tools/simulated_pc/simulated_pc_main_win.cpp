// simulated-pc: registers a device profile's classes and devices into the running Windows.
//
//   simulated-pc register PROFILE
#include "tests/tools/simulated_pc/profile_registration_win.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

namespace {

int register_profile(const std::wstring& path) {
    device_profile_c profile;
    std::string error;
    if (!load_device_profile(std::filesystem::path(path), profile, error)) {
        std::fprintf(stderr, "simulated-pc: %s\n", error.c_str());
        return 1;
    }
    int failures = register_device_profile(profile);
    std::printf("registered %zu classes and %zu devices, %d failures\n", profile.classes.size(), profile.devices.size(),
                failures);
    return failures == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        if (argc == 3 && std::wstring(argv[1]) == L"register") return register_profile(argv[2]);
        std::fprintf(stderr, "usage: simulated-pc register PROFILE\n");
        return 2;
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "simulated-pc: %s\n", failure.what());
        return 1;
    }
}
