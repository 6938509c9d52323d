#include "dlog/DlogFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "dlog/DlogInstrument.h"
#include "foundation/Messages.h"

namespace talven {

std::string CleanFileName(std::string_view name) {
    static constexpr std::string_view kRefused = "`'\"<>/\\|&*?";
    std::string out;
    out.reserve(name.size());
    for (char c : name) {
        if (!std::isprint(static_cast<unsigned char>(c)) || kRefused.find(c) != std::string_view::npos)
            continue;
        out.push_back(c);
    }
    return out;
}

bool WriteFileReplacing(const std::string& path, std::string_view content) {
    if (path.empty())
        return false;
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    bool ok = true;
    const char* data = content.data();
    std::size_t left = content.size();
    while (ok && left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok) {
            data += n;
            left -= static_cast<std::size_t>(n);
        }
    }
    // mkstemp creates the file private to its owner: keep the replaced file's permissions, or
    // give a new file the usual ones (umask is not read: changing it races other threads).
    struct stat existing {};
    const mode_t mode = ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0644;
    ok = ok && ::fchmod(fd, mode) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok)
        std::remove(temp.c_str());
    return ok;
}

std::string ProposeAutoDownloadFileName(IDlogInstrument& instrument, const std::string& channelName) {
    const MessageArg args[] = {instrument.GetInstrumentName(), instrument.GetSerialNumber(), channelName,
                               ".csv"};
    return CleanFileName(FormatText(MessageText(msg::kAutoDownloadFileName), args, 4));
}

std::string ProposeManualDataFileName(IDlogInstrument& instrument, const std::string& channelName,
                                      const std::string& parameterName, const std::string& dateText,
                                      unsigned long setNumber) {
    const MessageArg args[] = {instrument.GetInstrumentName(),
                               instrument.GetSerialNumber(),
                               channelName,
                               parameterName,
                               dateText,
                               static_cast<long>(setNumber),
                               ".csv"};
    return CleanFileName(FormatText(MessageText(msg::kManualDataFileName), args, 7));
}

}  // namespace talven
