// Installing a real demo package under Windows: downloaded from an update-server mirror (named
// by VANTOREL_MIRRORS), unpacked into a folder whose name has a space, and the driver package
// installer started through the shell with exactly its command line. A stand-in that records its
// command line plays the installer.
#include "system/machine_facts.h"
#include "download/installer_choice.h"
#include "common/text_convert.h"
#include "service/http_transfer.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::wstring module_folder() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\'));
}

// Whether the stand-in has written its record and let go of it (it keeps the file to itself while
// it writes).
bool record_written(const std::wstring& path) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    const bool written = GetFileSizeEx(file, &size) && size.QuadPart > 0;
    CloseHandle(file);
    return written;
}

std::string last_mirror() {
    const char* mirrors = std::getenv("VANTOREL_MIRRORS");
    if (!mirrors) return {};
    std::istringstream words(mirrors);
    std::string url, last;
    while (words >> url) last = url;
    return last;
}

}  // namespace

TEST(install_package, a_demo_package_starts_the_installer_on_its_inf_folder) {
    const std::string mirror = last_mirror();
    if (mirror.empty()) GTEST_SKIP() << "no update-server mirrors";
    ASSERT_TRUE(collect_basic_facts());
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring root = std::wstring(temp) + L"vantorel install " + std::to_wstring(GetCurrentProcessId());
    const std::wstring programs = root + L"\\program", downloads = root + L"\\down loads";
    ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(programs.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(downloads.c_str(), nullptr));
    const std::wstring recorder = module_folder() + L"\\command-line-recorder.exe";
    ASSERT_TRUE(CopyFileW(recorder.c_str(), (programs + L"\\DPInst64.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(recorder.c_str(), (programs + L"\\DPInst32.exe").c_str(), FALSE));

    http_global_init();
    auto transfer = create_transfer(4 << 20);
    const transfer_result_c& got = transfer->get(mirror + "packages/intel-lan-12.15.22.6-win7.zip");
    ASSERT_EQ(got.code, 0);
    const std::wstring package = downloads + L"\\0123456789abcdef0123456789abcdef.zip";
    std::ofstream(package.c_str(), std::ios::binary).write(got.body->data.data(), got.body->length);

    installer_context_c context{programs, downloads, is_64bit_windows(), &system_shell_launcher(), &disk_files()};
    const unpack_report_c report = unpack_and_install(package, {L"intel-lan-12.15.22.6-win7\\driver\\setup.inf"}, context);
    ASSERT_EQ(report.started, program_start_c::started) << report.problem;

    // The shell starts the stand-in on its own; under an emulator a start takes many seconds.
    const std::wstring record = programs + L"\\command-line.txt";
    const DWORD start = GetTickCount();
    while (!record_written(record) && GetTickCount() - start < 120000) Sleep(100);
    ASSERT_TRUE(record_written(record)) << "the installer stand-in wrote no command line";
    std::ifstream in(record.c_str(), std::ios::binary);
    std::ostringstream line;
    line << in.rdbuf();
    // The folder inside the package, then the package itself with the digest it was unpacked with.
    const std::string expected_parameters = " /SH /PATH \"intel-lan-12.15.22.6-win7\\driver\" /STAGE \"" +
                                            wide_to_utf8(package) + "\" /SHA256 " + digest_hex(*report.sha256);
    const std::string text = line.str();
    ASSERT_GE(text.size(), expected_parameters.size()) << text;
    EXPECT_EQ(text.substr(text.size() - expected_parameters.size()), expected_parameters) << text;
    EXPECT_NE(text.find(is_64bit_windows() ? "DPInst64.exe" : "DPInst32.exe"), std::string::npos) << text;
}
