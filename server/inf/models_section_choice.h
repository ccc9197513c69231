// Which models section of a [Manufacturer] line Windows uses on a given system: of the line's
// sections (the undecorated one and one per decoration) the one whose decoration fits the system
// and is closest to it, and only that one.
//
// A decoration fits when
//  - its architecture is the system's. "NT" without an architecture and the undecorated section
//    fit x86 systems only: 64-bit Windows (since Server 2003 SP1) uses decorated sections alone;
//  - its version is no later than the system's;
//  - its product type, when named, is the system's;
//  - it names no suite mask (clients do not tell theirs);
//  - its build number, when named and its version is the system's, is no later than the
//    system's build, which must be 14310 or later (earlier builds do not read build numbers and
//    take such a decoration as no decoration at all). An unknown build is none of these.
// Of the fitting ones the closest has the highest version, then the highest build, then an
// architecture named, then a product type named, then a suite mask named; any decoration is
// closer than none. Of equals the first on the line. The undecorated section fits x86 alone and
// is used only when no decoration fits. A decoration whose section is empty or missing counts
// all the same: chosen, it offers nothing (an empty section is how an INF excludes versions).
#pragma once

#include "server/inf/models_decoration.h"

#include <cstdint>

struct client_terms_c {
    std::uint8_t architecture = 0;
    int version_number = 0;  // major x 10 + minor, as the program numbers versions
    int os_major = 0, os_minor = 0;
    std::uint32_t product_type = 1;
    std::uint32_t build = 0;  // 0: not known
};

// A decoration as the choice weighs it; architectures are numbers the caller gives their names.
struct decoration_terms_c {
    decoration_form_c form = decoration_form_c::none;
    bool line_unknown = false;      // from a catalog written before manufacturer lines were kept
    std::uint8_t architecture = 0;  // x86's number for the forms without one
    std::uint16_t os_major = 0, os_minor = 0;
    std::uint32_t product_type = 0, suite_mask = 0, build = 0;

    bool product_type_and_suite_fit(const client_terms_c& client) const {
        return (product_type == 0 || product_type == client.product_type) && suite_mask == 0;
    }
};

// The first build of Windows 10 that reads build numbers in decorations.
constexpr std::uint32_t first_build_reading_build_numbers = 14310;

// Whether the section may be chosen on the client at all. A section whose line is unknown is
// weighed as it always was: its architecture, and its version no later than the client's.
// (Inline: it is asked for every catalog line a request matches.)
inline bool decoration_fits(const decoration_terms_c& d, const client_terms_c& client) {
    if (d.architecture != client.architecture) return false;
    if (d.line_unknown) return d.os_major == 0 || d.os_major * 10 + d.os_minor <= client.version_number;
    if (d.os_major != client.os_major) return d.os_major < client.os_major && d.product_type_and_suite_fit(client);
    if (d.os_minor != client.os_minor) return d.os_minor < client.os_minor && d.product_type_and_suite_fit(client);
    if (d.build != 0 && (client.build < first_build_reading_build_numbers || client.build < d.build)) return false;
    return d.product_type_and_suite_fit(client);
}

// Whether `a` is closer to any client both fit than `b`.
bool decoration_closer(const decoration_terms_c& a, const decoration_terms_c& b);
