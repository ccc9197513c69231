#include "common/shell_launcher.h"

#include <windows.h>

#include <shellapi.h>

namespace {

// ShellExecuteW reports success as a value above 32.
bool executed(HINSTANCE result) { return reinterpret_cast<INT_PTR>(result) > 32; }

class system_shell_launcher_c final : public shell_launcher_c {
public:
    bool open(const std::wstring& target) override {
        return executed(ShellExecuteW(nullptr, nullptr, target.c_str(), nullptr, nullptr, SW_SHOW));
    }
    bool run(const std::wstring& program, const std::wstring& parameters) override {
        return executed(ShellExecuteW(nullptr, nullptr, program.c_str(), parameters.c_str(), nullptr, SW_SHOW));
    }
};

}  // namespace

shell_launcher_c& system_shell_launcher() {
    static system_shell_launcher_c launcher;
    return launcher;
}
