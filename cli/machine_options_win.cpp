#include "cli/machine_options.h"

#include "system/machine_facts.h"
#include "system/settings_win.h"
#include "system/wmi_facts.h"

#include <objbase.h>

void machine_options_c::complete() {
    if (!collect_basic_facts()) return;
    if (!model_) {
        bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        collect_wmi_facts();
        if (com) CoUninitialize();
    }
    const machine_description_c machine = describe_this_machine();
    if (!os_code_) os_code_ = machine.os_code;
    if (!lang_) lang_ = machine.lang;
    if (!os_version_number_) os_version_number_ = machine.os_version_number;
    if (!build_ && machine.build != 0) build_ = machine.build;
    if (!machine_) machine_ = machine.machine;
    if (!model_) model_ = machine.model;
    // The user's setting, where the settings can be read.
    if (!testing_channel_) testing_channel_ = load_settings() && settings().testing_updates != 0;
}
