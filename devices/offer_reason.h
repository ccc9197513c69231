// Why the best offer is, or is not, an update for a device: the step of the matching that decided.
#pragma once

#include <cstdint>

// What decided whether the best offer is an update for the device, as the matching found it.
enum class offer_reason_c : std::uint8_t {
    no_offer,           // nothing offered
    no_driver,          // an update: the device has no driver
    better_signature,   // an update: a better signature level than the installed driver's
    worse_signature,    // not: the installed driver's signature level is better
    better_feature,     // an update: a lower (better) feature score
    worse_feature,      // not: the installed driver's feature score is better
    other_id,           // an update: equally ranked, for another of the device's IDs
    newer,              // an update: later date, or the same date and a higher version
    not_newer,          // not: not later than the installed driver
    already_installed,  // not: its set-up was started before ("setup.dat")
    hidden,             // not: the user hid it ("Hide this update", "Never for this device")
};

// Whether the reason makes the best offer an update.
bool offer_reason_is_update(offer_reason_c reason);

// The reason's name, as scripts read it ("better_signature").
const char* offer_reason_name(offer_reason_c reason);
