#include "cli/machine_options.h"

void machine_options_c::complete() {
    if (!os_code_) os_code_ = "WIN764";
    if (!model_) model_ = L"";
    if (!lang_) lang_ = 437;
    if (!os_version_number_) os_version_number_ = 61;
}
