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
