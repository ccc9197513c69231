// The user this process runs as, in the forms the Task Scheduler takes: the account name and
// the security identifier. Empty texts on failure.
#pragma once

#include <string>

// "DOMAIN\user" as the security system knows the account (GetUserNameExW, NameSamCompatible): a
// domain account with its domain, a local account (and the local account behind a Microsoft
// account) with the computer's name.
std::wstring current_user_account();

// The user's security identifier as text ("S-1-5-21-...").
std::wstring current_user_sid();
