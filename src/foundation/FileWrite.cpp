#include "foundation/FileWrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace talven {

namespace {

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// A regular file whose permission bits allow no writing.
bool IsReadOnlyFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool CanReplaceFile(const std::string& path, std::string& reason) {
    errno = 0;
    if (path.empty()) {
        errno = ENOENT;
    } else if (IsReadOnlyFile(path)) {
        errno = EACCES;
    } else if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0) {
        // errno set
    } else if (::access(DirectoryOf(path).c_str(), W_OK | X_OK) != 0) {
        // errno set
    } else {
        return true;
    }
    reason = std::strerror(errno != 0 ? errno : EACCES);
    return false;
}

bool ReplaceFileContents(const std::string& path, std::string_view bytes) {
    if (path.empty())
        return false;
    if (IsReadOnlyFile(path)) {
        errno = EACCES;
        return false;
    }
    // Beside the target so that the rename stays on one file system.
    static std::atomic<unsigned> counter{0};
    int fd = -1;
    std::string temporary;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = path + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, bytes);
    struct stat existing {};
    if (ok && ::stat(path.c_str(), &existing) == 0)
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && std::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    ::unlink(temporary.c_str());
    return false;
}

std::string CleanFileName(std::string_view name) {
    static constexpr std::string_view kRefused = "`'\"<>/\\|&*?";
    std::string out;
    out.reserve(name.size());
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u >= 0x7F || kRefused.find(c) != std::string_view::npos)
            continue;
        out.push_back(c);
    }
    return out;
}

}  // namespace talven
