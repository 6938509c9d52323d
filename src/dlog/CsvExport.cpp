#include "dlog/CsvExport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "dlog/DASChannel.h"
#include "dlog/DASEvent.h"
#include "dlog/DASParameter.h"
#include "dlog/DataRecordSet.h"
#include "dlog/DlogFiles.h"
#include "foundation/DataLock.h"
#include "foundation/FileWrite.h"
#include "foundation/Log.h"
#include "foundation/Messages.h"
#include "foundation/UserPrompt.h"

namespace talven {

namespace {

constexpr std::size_t kFlushSize = 1 << 20;

struct ColumnFormat {
    int precision = 0;
    unsigned flags = recordtext::kValue;
};

bool WritesSamples(const CParameter* p, bool samplesBox) {
    auto* dp = dynamic_cast<const CDASParameter*>(p);
    return samplesBox && dp && dp->GetStoreSamplesConfigured();
}

bool WriteAll(int fd, const std::string& bytes) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// The open target of one export: a temporary file beside a replaced file, or the existing file
// itself when appending (with its length, to cut a failed append back). A symbolic link is
// followed to its file; a device or a pipe is written in place. The first failure's errno is kept
// to say why.
class CsvTarget {
  public:
    CsvTarget(const std::string& path, bool append) : path_(ResolveSaveTarget(path)) {
        struct stat st {};
        inPlace_ = IsWrittenInPlace(path_);
        appending_ = !inPlace_ && append && ::stat(path_.c_str(), &st) == 0;
        if (inPlace_) {
            fd_ = OpenInPlace(path_);
        } else if (appending_) {
            fd_ = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
            originalSize_ = st.st_size;
        } else {
            temp_ = path_ + ".XXXXXX";
            fd_ = ::mkstemp(temp_.data());
            mode_ = ::stat(path_.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
        }
        Check(fd_ >= 0);
    }
    ~CsvTarget() {
        if (fd_ >= 0)
            Abandon();
    }
    CsvTarget(const CsvTarget&) = delete;
    CsvTarget& operator=(const CsvTarget&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    /// Whether the heading is already there: the records go after those of an existing file.
    bool IsAppending() const { return appending_; }
    bool Write(const std::string& bytes) { return Check(WriteAll(fd_, bytes)); }
    /// The system's reason for the first failure, or 0.
    int Error() const { return error_; }

    bool Commit() {
        if (inPlace_) {
            const bool closed = Check(::close(fd_) == 0);
            fd_ = -1;
            return closed;
        }
        bool ok = true;
        if (!appending_)
            ok = Check(::fchmod(fd_, mode_) == 0);
        ok = ok && Check(::fsync(fd_) == 0);
        if (!ok)
            return false;
        ok = Check(::close(fd_) == 0);
        fd_ = -1;
        if (!appending_) {
            ok = ok && Check(std::rename(temp_.c_str(), path_.c_str()) == 0);
            if (!ok)
                std::remove(temp_.c_str());
        }
        return ok;
    }

    void Abandon() {
        if (appending_) {
            if (::ftruncate(fd_, originalSize_) != 0)
                Log(kLogError, FormatMessage(msg::kErrorWritingFile, path_));
        }
        ::close(fd_);
        fd_ = -1;
        if (!appending_ && !inPlace_)
            std::remove(temp_.c_str());
    }

  private:
    bool Check(bool ok) {
        if (!ok && error_ == 0)
            error_ = errno != 0 ? errno : EIO;
        return ok;
    }

    std::string path_;
    std::string temp_;
    int fd_ = -1;
    bool appending_ = false;
    bool inPlace_ = false;
    int error_ = 0;
    off_t originalSize_ = 0;
    mode_t mode_ = 0644;
};

bool WriteRows(const CDataRecordSet& set, CsvTarget& target, bool samplesBox, const DateFormatSlots& formats,
               TransferProgress* progress) {
    std::vector<ColumnFormat> columns(set.GetColumnCount());
    {
        DataGuard guard;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const CParameter* p = set.GetColumn(c);
            auto* dp = dynamic_cast<const CDASParameter*>(p);
            columns[c].precision = dp ? dp->GetPrecision() : 0;
            if (c == 0)
                columns[c].flags |= recordtext::kTimeTable;
            if (WritesSamples(p, samplesBox))
                columns[c].flags |= recordtext::kSamples;
        }
    }
    std::string buffer;
    buffer.reserve(kFlushSize + 4096);
    for (std::size_t row = 0; row < set.GetRowCount(); ++row) {
        const std::size_t lineStart = buffer.size();
        {
            DataGuard guard;
            for (std::size_t c = 0; c < columns.size(); ++c) {
                const CDataRecord* record = set.GetRecord(row, c);
                if (!record)
                    continue;  // emptied by a download since the set was gathered
                if (buffer.size() > lineStart)
                    buffer += ", ";
                record->AppendText(buffer, columns[c].flags, columns[c].precision, formats);
            }
        }
        buffer += "\r\n";
        if (buffer.size() >= kFlushSize) {
            if (!target.Write(buffer))
                return false;
            buffer.clear();
        }
        if (progress)
            progress->Step();
    }
    return target.Write(buffer);
}

}  // namespace

std::string CsvHeading(const CDataRecordSet& set, bool samplesBox) {
    DataGuard guard;
    std::string heading(MessageText(msg::kTimeStamp));
    for (std::size_t c = 0; c < set.GetColumnCount(); ++c) {
        const CParameter* p = set.GetColumn(c);
        auto* dp = dynamic_cast<const CDASParameter*>(p);
        heading += ", ";
        heading += p->GetName();
        heading += "-";
        heading += NameWithUnits(dp ? dp->GetSampleMode() : std::string(), p->GetUnits());
        if (WritesSamples(p, samplesBox)) {
            heading += ", ";
            heading += MessageText(msg::kSamples);
        }
    }
    return heading + "\r\n";
}

bool WriteRecordSetCsv(const CDataRecordSet& set, const std::string& path, const CsvOptions& options,
                       const DateFormatSlots& formats, TransferProgress* progress, std::string* failure) {
    if (set.GetColumnCount() == 0 || set.GetRowCount() == 0 || path.empty())
        return false;
    if (progress)
        progress->Begin(FormatMessage(msg::kSavingDataTo, path), set.GetRowCount());
    CsvTarget target(path, options.append);
    bool ok = target.IsOpen();
    if (ok && !target.IsAppending())
        ok = target.Write(CsvHeading(set, options.samplesBox));
    ok = ok && WriteRows(set, target, options.samplesBox, formats, progress);
    ok = ok && target.Commit();
    if (progress)
        progress->End();
    if (ok)
        return true;
    const std::string text = WithCause(FormatMessage(msg::kErrorWritingFile, path),
                                       target.Error() ? std::strerror(target.Error()) : "");
    Log(kLogError, text);
    if (failure != nullptr)
        *failure = text;
    else if (options.showErrors)
        GetUserPrompt().MessageBox(text, FormatMessage(msg::kCaptionError), mb::kIconWarning);
    return false;
}

bool WriteChannelDownloadFile(CDASChannel& channel, bool samplesBox, const DateFormatSlots& formats) {
    const std::string path = channel.GetDownloadFile();
    if (path.empty())
        return false;
    CDataRecordSet set;
    GatherChannel(channel, set);
    CsvOptions options;
    options.append = channel.GetAppend();
    options.samplesBox = samplesBox;
    return WriteRecordSetCsv(set, path, options, formats);
}

std::string ProposeDataFileName(IDlogInstrument& instrument, const std::string& channelName,
                                const CDataRecordSet& set, const DateFormatSlots& formats, DateTime now) {
    const CParameter* first = set.GetColumn(0);
    if (!first)
        return {};
    return ProposeManualDataFileName(instrument, channelName, first->GetName(),
                                     now.Format(formats.Slot(DateFormatSlots::kFileName)),
                                     first->GetSetNumber());
}

}  // namespace talven
