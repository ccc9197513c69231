#include "system/machine_description.h"

#include "system/machine_facts.h"
#include "system/settings_win.h"
#include "system/wmi_facts.h"

machine_description_c describe_this_machine() {
    machine_description_c machine;
    machine.os_code = os_code();
    machine.model = system_facts().model;
    machine.os_version_number = os_version_number();
    machine.lang = std::int32_t(oem_code_page());
    machine.build = os_version().build;
    machine.machine = machine_name(system_machine());
    machine.testing_channel = settings().testing_updates != 0;
    return machine;
}
