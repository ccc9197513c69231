#include "dpinst/package_search.h"
#include "dpinst/store_folder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

void touch(const std::filesystem::path& path) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << "x";
}

std::vector<std::wstring> names(const std::vector<std::filesystem::path>& paths, const std::filesystem::path& root) {
    std::vector<std::wstring> result;
    for (const auto& path : paths) result.push_back(path.lexically_relative(root).generic_wstring());
    return result;
}

}  // namespace

TEST(dpinst_package_search, top_level_infs_else_each_subfolder_in_name_order) {
    auto root = std::filesystem::temp_directory_path() / ("dpinst_search_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::remove_all(root);
    touch(root / "b" / "x.inf");
    touch(root / "b" / "deeper" / "ignored.inf");
    touch(root / "A" / "z" / "one.INF");
    touch(root / "A" / "readme.txt");
    touch(root / "c" / "empty.txt");
    EXPECT_EQ(names(find_package_infs(root), root), (std::vector<std::wstring>{L"A/z/one.INF", L"b/x.inf"}));
    touch(root / "top.inf");
    touch(root / "Alpha.inf");
    EXPECT_EQ(names(find_package_infs(root), root), (std::vector<std::wstring>{L"Alpha.inf", L"top.inf"}));
    EXPECT_TRUE(find_package_infs(root / "missing").empty());
    std::filesystem::remove_all(root);
}

TEST(dpinst_package_search, store_folders_and_the_places_of_package_files) {
    EXPECT_EQ(store_folder_name(L"VtNet.INF", L"amd64", "0123456789abcdef0123456789abcdef"),
              L"vtnet.inf_amd64_0123456789abcdef");
    EXPECT_EQ(store_relative_path(L"C:\\Pkg\\", L"c:\\pkg\\amd64\\a.sys"), L"amd64\\a.sys");
    EXPECT_EQ(store_relative_path(L"C:\\Pkg", L"C:\\Pkg\\a.sys"), L"a.sys");
    EXPECT_EQ(store_relative_path(L"C:\\Pkg", L"C:\\Pkg\\\\drivers\\a.sys"), L"drivers\\a.sys");
    EXPECT_EQ(store_relative_path(L"C:\\Pkg", L"C:\\Pkg2\\a.sys"), L"a.sys");
    EXPECT_EQ(store_relative_path(L"C:\\Pkg", L"C:\\Pkg\\..\\common\\b.dll"), L"b.dll");
}
