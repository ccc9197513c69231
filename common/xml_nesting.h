// What a cheap scan of an XML text's bytes tells before the recursive parser (TinyXML) reads it:
// how deeply its elements nest, and how many elements of one name lie in elements of another.
// The parser calls itself once per level, and so does the tree's destructor: a hostile document
// of a few hundred kilobytes nests deep enough to overflow a thread's stack. And a tree costs
// far more memory than its text: counting what a document holds lets a reader refuse it before
// the tree is built. Comments, CDATA sections, declarations and quoted attribute values are
// skipped, so markup-like text inside them does not count.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// True when no element of the text lies more than `most` levels deep.
bool xml_nesting_within(std::string_view text, std::size_t most);

// The elements named `child` that lie directly in an element named `parent`, counting at most
// `most_each` in any one parent.
struct xml_children_tally_c {
    std::string_view parent;
    std::string_view child;
    std::size_t most_each = 0;
    std::size_t counted = 0;  // out
};

// As above, and tallies the children in the same scan (up to where the nesting gets too deep).
bool xml_nesting_within(std::string_view text, std::size_t most, xml_children_tally_c& tally);

// Where the elements named `element` lie that are children of the first element named
// `container` in the text's first (root) element, as the parser finds them: their bytes, from the
// '<' of the start tag to just past the '>' of the end tag. A reader can parse each on its own and
// the rest without them, rather than build the whole tree at once.
struct xml_span_c {
    std::size_t begin = 0;
    std::size_t end = 0;
};

struct xml_element_spans_c {
    std::string_view container;
    std::string_view element;
    std::vector<xml_span_c> found;  // out, in the text's order
    bool closed = true;             // out: false when the text ends inside one of them
};

// As above, and finds the spans in the same scan.
bool xml_nesting_within(std::string_view text, std::size_t most, xml_children_tally_c& tally,
                        xml_element_spans_c& spans);
