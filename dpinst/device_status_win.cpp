#include "dpinst/device_status_win.h"

#include <windows.h>
#include <cfgmgr32.h>

std::uint32_t read_device_problem(const std::wstring& instance_id) {
    DEVINST node = 0;
    if (CM_Locate_DevNodeW(&node, const_cast<wchar_t*>(instance_id.c_str()), CM_LOCATE_DEVNODE_NORMAL) != CR_SUCCESS)
        return 0;
    ULONG status = 0, problem = 0;
    if (CM_Get_DevNode_Status(&status, &problem, node, 0) != CR_SUCCESS) return 0;
    return (status & DN_HAS_PROBLEM) != 0 ? std::uint32_t(problem) : 0;
}
