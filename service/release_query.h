// Asks the update server mirrors for the program's newest release (GET <mirror>release), in
// order, as a scan fails over: the first mirror whose answer is a signed release decides. A
// mirror that cannot be reached, answers with an error status, or offers a release that is
// refused, passes the question on to the next.
#pragma once

#include "service/mirrors.h"
#include "service/release_answer.h"

#include <string>
#include <string_view>
#include <vector>

struct release_query_c {
    // up_to_date or newer from the deciding mirror; otherwise refused when a mirror's release was
    // refused (its reason), or unreadable when none gave a release (the last mirror's failure).
    release_check_c check;
    std::string answered_by;            // the deciding mirror
    std::vector<std::string> failures;  // "mirror: why", one per mirror passed over
};

release_query_c query_release(const mirror_list_c& mirrors, const std::vector<public_key_c>& keys,
                              std::string_view running_version);
