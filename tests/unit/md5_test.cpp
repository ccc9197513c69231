#include "common/md5.h"
#include "tests/unit/test_files.h"

#include <gtest/gtest.h>

TEST(md5, matches_the_published_test_suite) {
    EXPECT_EQ(md5_of_text(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(md5_of_text("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(md5_of_text("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(md5_of_text("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(md5_of_text("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(md5_of_text("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(md5_of_text("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(md5, handles_lengths_around_the_padding_and_block_boundaries) {
    const std::pair<std::size_t, const char*> cases[] = {
        {55, "ef1772b6dff9a122358552954ad0df65"}, {56, "3b0c8ac703f828b04c6c197006d17218"},
        {63, "b06521f39153d618550606be297466d5"}, {64, "014842d480b571495a4a0363793f7367"},
        {65, "c743a45e0d2e6a95cb859adae0248435"}, {1024, "c9a34cfc85d982698c6ac89f76071abd"},
        {1025, "ae187e1febee2a150b64849c32d566ca"},
    };
    for (const auto& [length, digest] : cases) EXPECT_EQ(md5_of_text(std::string(length, 'a')), digest) << length;
}

TEST(md5, incremental_updates_give_the_one_shot_digest) {
    std::string text(3000, 'a');
    md5_c digest;
    for (std::size_t at = 0; at < text.size(); at += 7) digest.update(text.data() + at, std::min<std::size_t>(7, text.size() - at));
    EXPECT_EQ(digest.hex_digest(), "6ca003d00c9bb4569a4a27d751db7a89");
}

TEST(md5, digests_files_of_any_size_including_binary_bytes) {
    scratch_folder_c folder;
    std::string binary;
    for (int round = 0; round < 12; ++round)
        for (int byte = 0; byte < 256; ++byte) binary += char(byte);
    std::string hex = "unchanged";
    ASSERT_EQ(md5_of_file(folder.write("binary.bin", binary), hex), 0);
    EXPECT_EQ(hex, "a52dff8366b1473d2e13edd2415def67");
    ASSERT_EQ(md5_of_file(folder.write("exact.bin", std::string(1024, 'a')), hex), 0);
    EXPECT_EQ(hex, "c9a34cfc85d982698c6ac89f76071abd");
    ASSERT_EQ(md5_of_file(folder.write("empty.bin", ""), hex), 0);
    EXPECT_EQ(hex, "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(md5, a_file_that_cannot_be_opened_gives_minus_one_and_keeps_the_output) {
    scratch_folder_c folder;
    std::string hex = "unchanged";
    EXPECT_EQ(md5_of_file(folder.path() / "missing.bin", hex), -1);
    EXPECT_EQ(hex, "unchanged");
}
