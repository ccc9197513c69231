#include "server/inf/models_section_choice.h"

#include <tuple>

bool decoration_closer(const decoration_terms_c& a, const decoration_terms_c& b) {
    auto rank = [](const decoration_terms_c& d) {
        return std::make_tuple(d.form != decoration_form_c::none, d.os_major, d.os_minor, d.build,
                               d.form == decoration_form_c::nt_architecture, d.product_type != 0, d.suite_mask != 0);
    };
    return rank(a) > rank(b);
}
