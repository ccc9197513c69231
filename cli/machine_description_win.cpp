#include "cli/machine_description.h"

#include "system/machine_facts.h"
#include "system/wmi_facts.h"

#include <objbase.h>

void machine_description_c::complete() {
    if (!collect_basic_facts()) return;
    if (!os_code_) os_code_ = os_code();
    if (!lang_) lang_ = int(oem_code_page());
    if (!os_version_number_) os_version_number_ = os_version_number();
    if (!build_ && os_version().build != 0) build_ = os_version().build;
    if (!machine_) machine_ = machine_name(system_machine());
    if (!model_) {
        bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        if (collect_wmi_facts() == 0) model_ = system_facts().model;
        if (com) CoUninitialize();
    }
}
