// Whether the user is a member of the Administrators group, as the shell tells it (IsUserAnAdmin,
// which shell32 exports by ordinal 680 only on some systems).
#pragma once

bool user_is_administrator();
