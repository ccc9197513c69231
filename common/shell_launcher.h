// The one seam through which the program hands things to the Windows shell: opening folders and
// web pages, starting programs. Tests put a recording launcher in its place, so they check what
// would be started without opening windows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

enum class launch_result_c { started, failed, cancelled };

class shell_launcher_c {
public:
    virtual ~shell_launcher_c() = default;
    // Opens a folder, document or web address with its default verb, shown normally.
    virtual bool open(const std::wstring& target) = 0;
    // Starts a program with a parameter text, shown normally.
    virtual bool run(const std::wstring& program, const std::wstring& parameters) = 0;
    // Starts a program that installs drivers: elevated, so Windows asks an administrator running
    // limited for consent, in the working folder given (the folder it installs from). cancelled
    // when the user declined.
    virtual launch_result_c run_as_administrator(const std::wstring& program, const std::wstring& parameters,
                                               const std::wstring& /*working_folder*/) {
        return run(program, parameters) ? launch_result_c::started : launch_result_c::failed;
    }
    // The same, waited for to its end on the calling thread: `exit_code` gets the program's exit
    // code; it stays empty where the launcher cannot wait (then the program was started and left).
    virtual launch_result_c run_as_administrator_to_end(const std::wstring& program, const std::wstring& parameters,
                                                      const std::wstring& working_folder,
                                                      std::optional<std::uint32_t>& exit_code) {
        exit_code.reset();
        return run_as_administrator(program, parameters, working_folder);
    }
};

#ifdef _WIN32
// The shell itself (ShellExecuteW).
shell_launcher_c& system_shell_launcher();
// The window that owns the consent prompts of elevated starts (a window handle), so the prompt
// comes up in front of the program rather than behind it; none by default.
void set_consent_owner(void* window);
#endif
