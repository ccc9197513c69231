#include "system/machine_description.h"

#include "system/machine_facts.h"
#include "system/wmi_facts.h"

machine_description_c describe_this_machine() {
    machine_description_c machine;
    machine.os_code = os_code();
    machine.model = system_facts().model;
    machine.os_version_number = os_version_number();
    machine.lang = std::int32_t(oem_code_page());
    machine.build = os_version().build;
    machine.machine = machine_name(system_machine());
    return machine;
}
