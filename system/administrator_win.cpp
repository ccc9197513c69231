#include "system/administrator_win.h"

#include "common/kernel_handle_win.h"

#include <windows.h>

namespace {

// CheckTokenMembership wants an impersonation token, or null for the calling thread's own.
bool token_is_administrator(HANDLE token) {
    SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                  0, 0, &administrators))
        return false;
    BOOL member = FALSE;
    const bool checked = CheckTokenMembership(token, administrators, &member) != 0;
    FreeSid(administrators);
    return checked && member;
}

}  // namespace

administrator_token_c read_administrator_token() {
    administrator_token_c facts;
    facts.member = token_is_administrator(nullptr);
    kernel_handle_c process;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, process.put())) return facts;
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    if (!GetTokenInformation(process.get(), TokenElevationType, &type, sizeof type, &size)) return facts;
    if (type == TokenElevationTypeFull) facts.elevation = token_elevation_c::full;
    if (type != TokenElevationTypeLimited) return facts;
    facts.elevation = token_elevation_c::limited;
    TOKEN_LINKED_TOKEN linked{};
    if (!GetTokenInformation(process.get(), TokenLinkedToken, &linked, sizeof linked, &size)) return facts;
    kernel_handle_c elevated(linked.LinkedToken);
    kernel_handle_c impersonation;
    if (DuplicateToken(elevated.get(), SecurityIdentification, impersonation.put()))
        facts.linked_member = token_is_administrator(impersonation.get());
    return facts;
}

bool user_is_administrator() {
    return decide_administrator_gate(read_administrator_token()) != administrator_gate_c::refused;
}

