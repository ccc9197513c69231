#include "dpinst/device_problem.h"

std::wstring device_problem_text(std::uint32_t code) {
    const wchar_t* meaning = nullptr;
    switch (code) {
        case 1: meaning = L"the device is not configured correctly"; break;
        case 3: meaning = L"its driver may be corrupted, or memory is short"; break;
        case 10: meaning = L"the device cannot start"; break;
        case 18: meaning = L"its drivers must be reinstalled"; break;
        case 19: meaning = L"its configuration in the registry is damaged"; break;
        case 28: meaning = L"no driver is installed for it"; break;
        case 31: meaning = L"Windows cannot load the drivers it needs"; break;
        case 37: meaning = L"its driver failed to initialise"; break;
        case 39: meaning = L"its driver is corrupted or missing"; break;
        case 43: meaning = L"Windows stopped it because it reported problems"; break;
        case 48: meaning = L"its driver is blocked because of known problems"; break;
        case 52: meaning = L"Windows cannot verify the digital signature of its driver"; break;
        default: break;
    }
    std::wstring text = L"problem code " + std::to_wstring(code);
    return meaning ? text + L": " + meaning : text;
}
