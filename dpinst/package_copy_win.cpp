#include "dpinst/package_copy_win.h"

#include "common/file_open.h"
#include "common/hex_text.h"
#include "common/kernel_handle_win.h"
#include "dpinst/store_folder.h"

#include <windows.h>

namespace {

bool copy_one(const std::wstring& source, const std::wstring& target, std::wstring& reason) {
    std::size_t slash = target.find_last_of(L'\\');
    if (slash != std::wstring::npos) create_folders(target.substr(0, slash));
    if (CopyFileW(source.c_str(), target.c_str(), FALSE)) return true;
    reason = L"cannot copy " + source + L" to " + target + L" (error " + hex_code(GetLastError()) + L")";
    return false;
}

bool write_file(const std::wstring& path, const std::string& bytes, std::wstring& reason) {
    kernel_handle_c file = file_handle(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file && WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size())
        return true;
    reason = L"cannot write " + path + L" (error " + hex_code(GetLastError()) + L")";
    return false;
}

}  // namespace

bool read_whole_file(const std::wstring& path, std::string& bytes) {
    kernel_handle_c file = file_handle(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > 64 * 1024 * 1024) return false;
    bytes.assign(std::size_t(size.QuadPart), '\0');
    DWORD read = 0;
    return bytes.empty() || (ReadFile(file.get(), bytes.data(), DWORD(bytes.size()), &read, nullptr) && read == bytes.size());
}

bool copy_package(const package_facts_c& facts, const std::wstring& destination, const std::string* inf_bytes,
                  std::wstring& reason) {
    if (!create_folders(destination)) {
        reason = L"cannot create " + destination;
        return false;
    }
    std::wstring inf_target = destination + L"\\" + facts.inf_file_name;
    if (inf_bytes ? !write_file(inf_target, *inf_bytes, reason) : !copy_one(facts.inf_path, inf_target, reason))
        return false;
    if (facts.catalog_present &&
        !copy_one(facts.folder + L"\\" + facts.catalog_name, destination + L"\\" + facts.catalog_name, reason))
        return false;
    for (const auto& source : facts.source_files)
        if (!copy_one(source, destination + L"\\" + store_relative_path(facts.folder, source), reason)) return false;
    return true;
}
