// Fuzzes reading "backup.xml", a file any program may have changed: whatever the bytes, loading
// must not fault (on a stack the size of the UI thread's), and what it keeps must save and read
// back unchanged.
#include "backup/backup_index.h"
#include "common/text_convert.h"
#include "tests/fuzz/worker_stack.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    static const fs::path work = base / ("vantorel-index-fuzz-" + std::to_string(::getpid()));
    static device_store_c store = [] {
        device_store_c made;
        for (const wchar_t* path : {L"PCI\\VEN_8086&DEV_15BC", L"A"}) {
            device_c record;
            std::wcscpy(record.instance_path, path);
            made.devices.push_back(record);
        }
        fs::create_directories(work);
        std::fclose(std::fopen((work / "a.zip").c_str(), "wb"));
        return made;
    }();
    const fs::path index_file = work / "backup.xml";
    if (std::FILE* file = std::fopen(index_file.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    const std::wstring index_path = utf8_to_wide(index_file.string()), folder = utf8_to_wide(work.string());
    run_on_worker_stack([&] {
        backup_index_c index;
        if (load_backup_index(index, index_path, folder, store).result != 0) return;
        // A text may be normalised once (line ends, characters the code page lacks); after that a
        // save and a load must give the same index again.
        if (!save_backup_index(index, index_path)) std::abort();
        backup_index_c first, second;
        if (load_backup_index(first, index_path, folder, store).result != 0 && !index.empty()) std::abort();
        if (!save_backup_index(first, index_path)) std::abort();
        if (load_backup_index(second, index_path, folder, store).result != 0 && !first.empty()) std::abort();
        if (backup_index_text(first) != backup_index_text(second)) std::abort();
    });
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(work))
        if (entry.path().filename() != "a.zip") fs::remove(entry.path(), ignored);
    return 0;
}
