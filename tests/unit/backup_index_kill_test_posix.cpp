// A save of the backup index killed at any moment leaves the old or the new file, never a part.
#include "backup/backup_index.h"
#include "common/text_convert.h"
#include "tests/unit/test_files.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

TEST(backup_index_kill, a_killed_save_leaves_a_whole_index) {
    scratch_folder_c scratch;
    const std::wstring path = utf8_to_wide((scratch.path() / "backup.xml").u8string());
    backup_index_c small(1), large(400);
    for (auto& entry : large) entry.devices.resize(3);
    const std::string texts[2] = {backup_index_text(small), backup_index_text(large)};
    ASSERT_TRUE(save_backup_index(small, path));
    for (int round = 0; round < 20; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i) save_backup_index(i % 2 ? small : large, path);
        }
        usleep(useconds_t(2000 + round * 1500));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        std::ifstream in(scratch.path() / "backup.xml", std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        EXPECT_TRUE(bytes.str() == texts[0] || bytes.str() == texts[1]) << "round " << round;
    }
}
