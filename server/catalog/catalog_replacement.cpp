#include "server/catalog/catalog_replacement.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

bool flush_to_disk(const std::string& path, int flags, std::string& error) {
    int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        error = "cannot write " + path + " to disk: " + std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return false;
    }
    ::close(fd);
    return true;
}

}  // namespace

catalog_replacement_c::~catalog_replacement_c() {
    if (staging_.empty() || committed_) return;
    std::error_code ignored;
    fs::remove(staging_, ignored);
    fs::remove(staging_ + "-journal", ignored);
}

bool catalog_replacement_c::begin(const std::string& path, bool from_current, std::string& error) {
    path_ = path;
    staging_ = path + ".new-" + std::to_string(::getpid());
    std::error_code code;
    fs::remove(staging_, code);
    if (from_current && fs::exists(path, code)) {
        fs::copy_file(path, staging_, fs::copy_options::overwrite_existing, code);
        if (code) {
            error = "cannot copy the catalog " + path + " to " + staging_ + ": " + code.message();
            return false;
        }
    }
    return true;
}

bool catalog_replacement_c::commit(std::string& error) {
    if (!flush_to_disk(staging_, O_RDONLY, error)) return false;
    if (std::rename(staging_.c_str(), path_.c_str()) != 0) {
        error = "cannot put the new catalog in place of " + path_ + ": " + std::strerror(errno);
        return false;
    }
    committed_ = true;
    // The rename itself lasts once the folder is on disk.
    std::string folder = fs::path(path_).parent_path().string();
    std::string ignored;
    flush_to_disk(folder.empty() ? "." : folder, O_RDONLY | O_DIRECTORY, ignored);
    return true;
}
