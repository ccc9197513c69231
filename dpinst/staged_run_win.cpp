#include "dpinst/staged_run_win.h"

#include "common/text_convert.h"


std::optional<staged_run_c> prepare_staged_run(installer_options_c& options, std::wstring& error) {
    std::optional<sha256_digest_c> expected;
    if (!options.stage_sha256.empty()) {
        expected = digest_from_hex(wide_to_utf8(options.stage_sha256));
        if (!expected) {
            error = L"/SHA256 takes 64 hexadecimal digits, not " + options.stage_sha256;
            return std::nullopt;
        }
    }
    std::optional<package_intake_c> intake = take_in_package(options.stage_package, expected, !options.stage_program, error);
    if (!intake) return std::nullopt;
    staged_run_c run{std::move(*intake), {}};
    if (options.stage_program) {
        run.program = run.intake.copy;
        return run;
    }
    const std::wstring& relative = options.stage_run.empty() ? options.search_path : options.stage_run;
    const std::wstring inside = inside_package(run.intake, relative);
    if (inside.empty()) {
        error = relative + L" is no path inside the package";
        return std::nullopt;
    }
    if (options.stage_run.empty())
        options.search_path = inside;
    else
        run.program = inside;
    return run;
}
