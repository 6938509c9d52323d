#include "dlog/AppendJournal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <vector>

#include "foundation/ArchiveStream.h"
#include "foundation/FileWrite.h"

namespace talven {

namespace {

constexpr std::string_view kMagic = "TALVEN pending append";
constexpr std::uint32_t kVersion = 1;

}  // namespace

void MeasureDataFile(PendingAppend& entry) {
    struct stat st {};
    entry.existed = ::stat(entry.dataFile.c_str(), &st) == 0;
    entry.size = entry.existed ? static_cast<std::uint64_t>(st.st_size) : 0;
}

bool SavePendingAppend(const std::string& journal, const PendingAppend& entry) {
    ArchiveWriter w;
    w.WriteString(kMagic);
    w.WriteU32(kVersion);
    w.WriteString(entry.dataFile);
    w.WriteBool(entry.existed);
    w.WriteU64(entry.size);
    w.WriteBool(entry.multiplexed);
    w.WriteU32(entry.instrumentId);
    w.WriteString(entry.instrumentName);
    w.WriteString(entry.channelName);
    w.WriteU32(entry.lastDownload);
    const std::vector<std::uint8_t>& bytes = w.bytes();
    return ReplaceFileContents(journal,
                               std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

PendingRead LoadPendingAppend(const std::string& journal, PendingAppend& entry) {
    if (::access(journal.c_str(), F_OK) != 0 && errno == ENOENT)
        return PendingRead::kNone;
    std::ifstream in(journal, std::ios::binary);
    if (!in)
        return PendingRead::kUnreadable;
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    ArchiveReader r(bytes);
    if (r.ReadString() != kMagic || r.ReadU32() != kVersion)
        return PendingRead::kUnreadable;
    PendingAppend read;
    read.dataFile = r.ReadString();
    read.existed = r.ReadBool();
    read.size = r.ReadU64();
    read.multiplexed = r.ReadBool();
    read.instrumentId = r.ReadU32();
    read.instrumentName = r.ReadString();
    read.channelName = r.ReadString();
    read.lastDownload = r.ReadU32();
    if (r.failed() || !r.atEnd() || read.dataFile.empty())
        return PendingRead::kUnreadable;
    entry = read;
    return PendingRead::kFound;
}

bool UndoAppend(const PendingAppend& entry) {
    struct stat st {};
    if (::stat(entry.dataFile.c_str(), &st) != 0)
        return !entry.existed;
    if (!entry.existed)
        return ::unlink(entry.dataFile.c_str()) == 0;
    if (static_cast<std::uint64_t>(st.st_size) < entry.size)
        return false;
    return ::truncate(entry.dataFile.c_str(), static_cast<off_t>(entry.size)) == 0;
}

bool RemovePendingAppend(const std::string& journal) {
    return ::unlink(journal.c_str()) == 0 || errno == ENOENT;
}

}  // namespace talven
