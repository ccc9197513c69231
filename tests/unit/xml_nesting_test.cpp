// The nesting scan that guards the recursive XML parser.
#include "common/xml_nesting.h"

#include <gtest/gtest.h>

#include <string>

TEST(xml_nesting, counts_open_elements_and_skips_what_holds_no_markup) {
    EXPECT_TRUE(xml_nesting_within("<a><b><c/></b></a>", 2));
    EXPECT_FALSE(xml_nesting_within("<a><b><c></c></b></a>", 2));
    // Closed elements give their level back; siblings are no deeper.
    EXPECT_TRUE(xml_nesting_within("<a><b></b><b></b><b/></a>", 2));
    // Markup-like text in comments, CDATA, declarations and quoted values does not count.
    EXPECT_TRUE(xml_nesting_within("<?xml version=\"1.0\"?><!DOCTYPE x><a><!-- <b><c><d> --><![CDATA[<b><c><d>]]>"
                                   "<e t='>' u=\"<f><g>\"/></a>",
                                   1));
    // A text cut short anywhere is left to the parser to refuse.
    EXPECT_TRUE(xml_nesting_within("<a><b", 1));
    EXPECT_TRUE(xml_nesting_within("<a><!-- <b><c>", 1));
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<x>";
    EXPECT_FALSE(xml_nesting_within(deep, 32));
}

namespace {

std::vector<std::string> spans_of(std::string_view text, bool* closed = nullptr) {
    xml_children_tally_c tally;
    xml_element_spans_c spans{"list", "e", {}, true};
    EXPECT_TRUE(xml_nesting_within(text, 32, tally, spans));
    if (closed) *closed = spans.closed;
    std::vector<std::string> found;
    for (const xml_span_c& span : spans.found) found.emplace_back(text.substr(span.begin, span.end - span.begin));
    return found;
}

}  // namespace

TEST(xml_nesting, finds_the_elements_of_the_roots_first_container) {
    // Only in the first root's first "list": not deeper, not in a second list or a second root,
    // not in comments or quoted values.
    EXPECT_EQ(spans_of("<r><x><list><e/></list></x><list><e a='<e>'>1<e>2</e></e><!-- <e/> --><e/></list>"
                       "<list><e/></list></r><r><list><e/></list></r>"),
              (std::vector<std::string>{"<e a='<e>'>1<e>2</e></e>", "<e/>"}));
    bool closed = true;
    EXPECT_EQ(spans_of("<r><list><e>1</e><e>2", &closed), std::vector<std::string>{"<e>1</e>"});
    EXPECT_FALSE(closed);
}
