#include "common/file_create.h"

#include "common/text_convert.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

std::string native(const std::wstring& path) { return wide_to_utf8(path); }

std::FILE* file_of(int descriptor, const char* mode) {
    if (descriptor < 0) return nullptr;
    std::FILE* file = ::fdopen(descriptor, mode);
    if (!file) ::close(descriptor);
    return file;
}

}  // namespace

std::FILE* create_new_file(const std::wstring& path) {
    return file_of(::open(native(path).c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644), "w+b");
}

std::FILE* replace_with_new_file(const std::wstring& path) {
    if (::unlink(native(path).c_str()) != 0 && errno != ENOENT) return nullptr;
    return create_new_file(path);
}

std::FILE* open_file_for_update(const std::wstring& path) {
    const int descriptor = ::open(native(path).c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) return nullptr;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) || status.st_nlink != 1) {
        ::close(descriptor);
        return nullptr;
    }
    return file_of(descriptor, "r+b");
}

bool create_new_folder(const std::wstring& path) { return ::mkdir(native(path).c_str(), 0755) == 0; }

namespace {

bool remove_below(int folder) {
    DIR* listing = ::fdopendir(folder);
    if (!listing) {
        ::close(folder);
        return false;
    }
    bool removed = true;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat status {};
        if (::fstatat(::dirfd(listing), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            removed = false;
            continue;
        }
        if (S_ISDIR(status.st_mode)) {
            const int inner = ::openat(::dirfd(listing), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            removed = inner >= 0 && remove_below(inner) && removed;
            removed = ::unlinkat(::dirfd(listing), name.c_str(), AT_REMOVEDIR) == 0 && removed;
        } else {
            removed = ::unlinkat(::dirfd(listing), name.c_str(), 0) == 0 && removed;
        }
    }
    ::closedir(listing);
    return removed;
}

}  // namespace

bool remove_tree(const std::wstring& path) {
    const std::string name = native(path);
    const int folder = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0) return ::unlink(name.c_str()) == 0 || errno == ENOENT;
    remove_below(folder);
    return ::rmdir(name.c_str()) == 0;
}

std::optional<std::uint64_t> free_disk_space(const std::wstring& path) {
    struct statvfs volume {};
    if (::statvfs(native(path).c_str(), &volume) != 0) return std::nullopt;
    return std::uint64_t(volume.f_bavail) * volume.f_frsize;
}
