#include "calibrator/CalibratorFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace talven {

bool WriteFileReplacing(const std::string& path, std::string_view text) {
    std::vector<char> temp(path.begin(), path.end());
    const char suffix[] = ".tmpXXXXXX";
    temp.insert(temp.end(), suffix, suffix + sizeof suffix);  // with its terminator
    const int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            ok = false;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    // mkstemp creates the file readable by its owner only; give it the usual mode.
    ok = ok && ::chmod(temp.data(), 0644) == 0;
    ok = ok && std::rename(temp.data(), path.c_str()) == 0;
    if (!ok)
        ::unlink(temp.data());
    return ok;
}

bool OpenScriptFile(const std::string& path, std::ifstream& file) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return false;
    file.open(path, std::ios::binary);
    return file.is_open();
}

std::string CleanFileName(std::string_view name) {
    static constexpr std::string_view kDropped = "`'\"<>/\\|&*?";
    std::string cleaned;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || kDropped.find(c) != std::string_view::npos)
            continue;
        cleaned += c;
    }
    return cleaned;
}

}  // namespace talven
