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

bool WriteInPlace(const std::string& path, std::string_view bytes) {
    const int fd = OpenInPlace(path);
    if (fd < 0)
        return false;
    const bool written = WriteAll(fd, bytes);
    const int error = errno;
    const bool closed = ::close(fd) == 0;
    if (!written)
        errno = error;
    return written && closed;
}

}  // namespace

std::string ResolveSaveTarget(const std::string& path) {
    std::string current = path;
    // As many links as the system itself follows before it gives up with ELOOP.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        // A link to a device or a pipe is opened through the link itself: the names under
        // /proc/self/fd read back as "pipe:[...]", which are no paths.
        struct stat target {};
        if (::stat(current.c_str(), &target) == 0 && !S_ISREG(target.st_mode))
            return current;
        std::string named(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(current.c_str(), named.data(), named.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= named.size())
            return current;
        named.resize(static_cast<std::size_t>(n));
        current = named[0] == '/' ? named : DirectoryOf(current) + "/" + named;
    }
    return current;
}

bool IsWrittenInPlace(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

int OpenInPlace(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    // Non-blocking only for the open of a pipe; writes wait as they do on a file.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

bool CanReplaceFile(const std::string& given, std::string& reason) {
    errno = 0;
    const std::string path = ResolveSaveTarget(given);
    if (path.empty()) {
        errno = ENOENT;
    } else if (IsReadOnlyFile(path)) {
        errno = EACCES;
    } else if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0) {
        // errno set
    } else if (IsWrittenInPlace(path)) {
        return true;
    } else if (::access(DirectoryOf(path).c_str(), W_OK | X_OK) != 0) {
        // errno set
    } else {
        return true;
    }
    reason = std::strerror(errno != 0 ? errno : EACCES);
    return false;
}

bool ReplaceFileContents(const std::string& given, std::string_view bytes) {
    if (given.empty()) {
        errno = ENOENT;
        return false;
    }
    const std::string path = ResolveSaveTarget(given);
    if (IsWrittenInPlace(path))
        return WriteInPlace(path, bytes);
    struct stat directory {};
    if (::stat(path.c_str(), &directory) == 0 && S_ISDIR(directory.st_mode)) {
        errno = EISDIR;
        return false;
    }
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
    const int error = errno;
    ::unlink(temporary.c_str());
    errno = error;
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
