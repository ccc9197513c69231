// How deeply the elements of an XML text nest, found by a cheap scan of its bytes before the
// recursive parser (TinyXML) reads it. The parser calls itself once per level, and so does the
// tree's destructor: a hostile document of a few hundred kilobytes nests deep enough to overflow
// a thread's stack. Comments, CDATA sections, declarations and quoted attribute values are
// skipped, so markup-like text inside them does not count.
#pragma once

#include <cstddef>
#include <string_view>

// True when no element of the text lies more than `most` levels deep.
bool xml_nesting_within(std::string_view text, std::size_t most);
