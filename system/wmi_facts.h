// The sidebar facts read through WMI (namespace "ROOT\CIMV2"). Windows only; COM must already
// be initialised on the calling thread, and no other COM object created before.
#pragma once

#include "system/system_facts.h"

struct IWbemServices;

// Sets the process's COM security, connects to WMI and fills the facts (each at most once).
// False when WMI cannot be reached (the facts then stay unknown).
bool collect_wmi_facts();

const system_facts_c& system_facts();

// Runs a WQL query and copies the first non-null value of the property, as text, into out.
// Returns 0 after the query ran (found or not), -1 when it could not be executed.
int wmi_query_first(IWbemServices* services, const wchar_t* query, const wchar_t* property, std::wstring& out);
