#include "server/catalog/catalog_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

// Who holds the lock, as its holder wrote it (at most a line).
std::string holder_of(int fd) {
    char text[256] = {};
    ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    std::string holder(text, got > 0 ? std::size_t(got) : 0);
    if (auto end = holder.find('\n'); end != std::string::npos) holder.resize(end);
    return holder.empty() ? "another change" : holder;
}

}  // namespace

catalog_lock_c::~catalog_lock_c() {
    if (fd_ >= 0) ::close(fd_);  // closing the last descriptor releases the flock
}

bool catalog_lock_c::acquire(const std::string& catalog_path, const std::string& holder, bool wait, std::string& error) {
    std::string path = catalog_path + ".lock";
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return error = "cannot open the catalog lock " + path + ": " + std::strerror(errno), false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK) {
            error = "cannot lock " + path + ": " + std::strerror(errno);
            ::close(fd);
            return false;
        }
        if (!wait) {
            error = "the catalog " + catalog_path + " is being changed by " + holder_of(fd) + " (lock " + path + ")";
            ::close(fd);
            return false;
        }
        std::fprintf(stderr, "vantorel-catalog: waiting for %s to finish changing %s\n", holder_of(fd).c_str(),
                     catalog_path.c_str());
        int locked;
        while ((locked = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
        }
        if (locked != 0) {
            error = "cannot lock " + path + ": " + std::strerror(errno);
            ::close(fd);
            return false;
        }
    }
    char since[32] = {};
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::strftime(since, sizeof since, "%Y-%m-%dT%H:%M:%SZ", &utc);
    std::string line = holder + " (process " + std::to_string(::getpid()) + ", since " + since + ")\n";
    // The text is only for messages: a failure to write it leaves the lock as good.
    bool named = ::ftruncate(fd, 0) == 0 && ::pwrite(fd, line.data(), line.size(), 0) == ssize_t(line.size());
    (void)named;
    fd_ = fd;
    return true;
}
