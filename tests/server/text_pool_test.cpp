#include "server/catalog/text_pool.h"

#include <gtest/gtest.h>

TEST(text_pool, texts_of_any_length_come_back_with_their_kind_and_once_each) {
    text_pool_c pool;
    const std::string long_text(20000, 'a'), hundred(100, 'b');
    struct case_c {
        std::string text;
        bool printable_ascii, markup;
    } cases[] = {{"PCI\\VEN_8086", true, false}, {"A&B <c>", true, true}, {"f\xC3\xBCr", false, false},
                 {"tab\there & there", false, true}, {hundred, true, false}, {long_text, true, false}, {"", true, false}};
    std::vector<std::uint32_t> references;
    for (const case_c& c : cases) references.push_back(pool.intern(c.text));
    EXPECT_EQ(pool.intern(""), 0u);
    for (std::size_t n = 0; n < references.size(); ++n) {
        pooled_text_c got = pool.get(references[n]);
        EXPECT_EQ(got.text, cases[n].text) << n;
        EXPECT_EQ(got.printable_ascii, cases[n].printable_ascii) << n;
        EXPECT_EQ(got.markup, cases[n].markup) << n;
        EXPECT_EQ(pool.intern(std::string(cases[n].text)), references[n]) << n;  // found, not added again
    }
    // Enough texts to rebuild the table several times: each still found, none confused.
    std::vector<std::uint32_t> many;
    for (int n = 0; n < 5000; ++n) many.push_back(pool.intern("text " + std::to_string(n)));
    for (int n = 0; n < 5000; ++n) ASSERT_EQ(pool.intern("text " + std::to_string(n)), many[std::size_t(n)]);
    std::size_t count = pool.count();
    pool.seal();
    EXPECT_EQ(pool.count(), count);
    EXPECT_EQ(pool.text(references[5]), long_text);
    EXPECT_EQ(pool.text(many[4999]), "text 4999");
}
