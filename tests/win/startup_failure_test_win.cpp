// Start-up without "language.ini" beside the program ends with the one failure message, code 4.
#include "tests/unit/test_files.h"
#include "ui/kit/window_messages.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

constexpr DWORD startup_timeout_ms = 240000;

struct dialog_search_c {
    DWORD process_id;
    HWND found;
};

BOOL CALLBACK find_dialog(HWND window, LPARAM context) {
    auto search = reinterpret_cast<dialog_search_c*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t class_name[16] = {};
    GetClassNameW(window, class_name, 16);
    if (owner != search->process_id || wcscmp(class_name, L"#32770") != 0) return TRUE;
    // A message box is ready once its text is in place (the window may be seen earlier).
    wchar_t text[8] = {};
    if (GetDlgItemTextW(window, 0xFFFF, text, 8) == 0) return TRUE;
    search->found = window;
    return FALSE;
}

std::wstring window_text(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

}  // namespace

TEST(startup_failure, a_missing_language_file_shows_code_4_and_exits) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring source(self);
    source = source.substr(0, source.rfind(L'\\') + 1) + L"Vantorel.exe";
    scratch_folder_c folder;
    std::wstring program = (folder.path() / "Vantorel.exe").wstring();
    ASSERT_TRUE(CopyFileW(source.c_str(), program.c_str(), FALSE));

    std::wstring command = L"\"" + program + L"\"";
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));

    dialog_search_c search{process.dwProcessId, nullptr};
    for (DWORD waited = 0; waited < startup_timeout_ms && !search.found; waited += 250) {
        if (WaitForSingleObject(process.hProcess, 250) == WAIT_OBJECT_0) break;
        EnumWindows(find_dialog, reinterpret_cast<LPARAM>(&search));
    }
    ASSERT_NE(search.found, nullptr) << "no failure message appeared";
    EXPECT_EQ(window_text(search.found), product_title);
    // The message box keeps its text in a static control with the id 0xFFFF.
    wchar_t text[256] = {};
    GetDlgItemTextW(search.found, 0xFFFF, text, 256);
    EXPECT_STREQ(text, L"Application initialization failed, error code: 4.");
    PostMessageW(search.found, WM_COMMAND, IDOK, 0);

    ASSERT_EQ(WaitForSingleObject(process.hProcess, startup_timeout_ms), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, DWORD(-1));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}
