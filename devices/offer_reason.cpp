#include "devices/offer_reason.h"

bool offer_reason_is_update(offer_reason_c reason) {
    switch (reason) {
        case offer_reason_c::no_driver: case offer_reason_c::better_signature: case offer_reason_c::better_feature:
        case offer_reason_c::other_id: case offer_reason_c::newer:
            return true;
        default: return false;
    }
}

const char* offer_reason_name(offer_reason_c reason) {
    switch (reason) {
        case offer_reason_c::no_offer: return "no_offer";
        case offer_reason_c::no_driver: return "no_driver";
        case offer_reason_c::better_signature: return "better_signature";
        case offer_reason_c::worse_signature: return "worse_signature";
        case offer_reason_c::better_feature: return "better_feature";
        case offer_reason_c::worse_feature: return "worse_feature";
        case offer_reason_c::other_id: return "other_id";
        case offer_reason_c::newer: return "newer";
        case offer_reason_c::not_newer: return "not_newer";
        case offer_reason_c::already_installed: return "already_installed";
        case offer_reason_c::hidden: return "hidden";
    }
    return "no_offer";
}
