#include "network/NetworkFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "foundation/DataLock.h"
#include "foundation/EString.h"
#include "foundation/Log.h"
#include "foundation/Messages.h"
#include "foundation/UserPrompt.h"
#include "network/NetworkMessages.h"

namespace talven {

namespace {

// A failure is logged, then either handed to the caller (which shows it where it belongs: code
// off the window thread may not ask the user) or shown in a message box.
bool Fail(const std::string& text, std::string* failure) {
    Log(kLogError, text);
    if (failure != nullptr)
        *failure = text;
    else
        GetUserPrompt().MessageBox(text, std::string(MessageText(msg::kCaptionError)),
                                   mb::kOk | mb::kIconWarning);
    return false;
}

// Why path cannot be read, in the system's words.
std::string ReadFailureCause(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::strerror(errno);
    if (S_ISDIR(st.st_mode))
        return std::strerror(EISDIR);
    if (::access(path.c_str(), R_OK) != 0)
        return std::strerror(errno);
    return std::strerror(EIO);
}

std::string LoadError(const std::string& path, const std::string& cause) {
    return WithCause(FormatMessage(msg::kUnableToLoadNetworkConfig, path), cause);
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Parses the file into lists. False with the reason in failure.
bool ParseFile(const std::string& path, SavedLists& lists, std::uint32_t& format, std::string& failure) {
    if (IsBinaryConfigPath(path)) {
        std::vector<std::uint8_t> bytes;
        if (!ReadWholeFile(path, bytes)) {
            failure = LoadError(path, ReadFailureCause(path));
            return false;
        }
        const BinaryLoadResult result = ReadBinaryConfiguration(bytes.data(), bytes.size(), lists);
        if (!result.ok) {
            Log(kLogError, FormatMessage(msg::kNetworkConfigArchiveError, path, result.reason));
            failure = FormatMessage(msg::kUnableToLoadNetworkConfig, path);
            return false;
        }
        format = result.format;
        return true;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        failure = LoadError(path, ReadFailureCause(path));
        return false;
    }
    const TextLoadResult result = ReadTextConfiguration(in, lists);
    if (in.bad()) {
        failure = LoadError(path, ReadFailureCause(path));
        return false;
    }
    if (!result.problem.empty()) {
        failure = LoadError(path, result.problem);
        return false;
    }
    if (!result.ok) {
        failure = FormatMessage(msg::kNetworkConfigSyntaxError, result.errorText, result.errorLine, path);
        return false;
    }
    format = CNetworkConfiguration::kCurrentFormat;
    return true;
}

}  // namespace

bool IsBinaryConfigPath(std::string_view path) {
    const std::string_view extension = MessageText(msg::kNetworkConfigExtension);
    return path.size() >= extension.size() &&
           EqualsNoCase(path.substr(path.size() - extension.size()), extension);
}

bool LoadNetworkConfiguration(CNetworkConfiguration& configuration, const std::string& path,
                              std::string* failure) {
    SavedLists loaded;
    std::uint32_t format = CNetworkConfiguration::kCurrentFormat;
    std::string reason;
    if (!ParseFile(path, loaded, format, reason))
        return Fail(reason, failure);
    {
        DataGuard guard;
        configuration.ReplaceSavedLists(loaded);
        configuration.SetPath(path);
        configuration.SetModified(false);
        configuration.SetFormatVersion(format);
    }
    // The previous configuration's nodes are destroyed with loaded, outside the lock.
    return true;
}

bool SaveNetworkConfiguration(CNetworkConfiguration& configuration, const std::string& path,
                              std::string* failure) {
    std::string bytes;
    if (IsBinaryConfigPath(path)) {
        std::string reason;
        const std::vector<std::uint8_t> binary = WriteBinaryConfiguration(configuration.Lists(), &reason);
        if (binary.empty()) {
            Log(kLogError, reason);
            return Fail(FormatMessage(msg::kUnableToSaveNetworkConfig, path), failure);
        }
        bytes.assign(binary.begin(), binary.end());
    } else {
        TextSaveProblem problem;
        if (!WriteTextConfiguration(configuration.Lists(), bytes, &problem))
            return Fail(FormatMessage(msg::kTextSaveUnsafeValue, path, problem.field, problem.nodeName),
                        failure);
    }
    if (!ReplaceFileContents(path, bytes)) {
        const std::string cause = std::strerror(errno);
        return Fail(WithCause(FormatMessage(msg::kUnableToSaveNetworkConfig, path), cause), failure);
    }
    DataGuard guard;
    configuration.SetPath(path);
    configuration.SetModified(false);
    configuration.SetFormatVersion(CNetworkConfiguration::kCurrentFormat);
    return true;
}

}  // namespace talven
