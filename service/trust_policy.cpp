#include "service/trust_policy.h"

std::vector<std::string> unsigned_mirrors(const trust_policy_c& policy) {
    return policy.allow_unsigned ? policy.mirrors : std::vector<std::string>{};
}
