#include "dlog/AutomaticDownload.h"

#include "dlog/DASChannel.h"
#include "dlog/RecordDecoding.h"
#include "foundation/DataLock.h"

namespace talven {

DownloadMark MarkOf(const CDASChannel& channel) {
    DataGuard guard;
    return {channel.GetLastDownload(), channel.GetDownloadedBefore()};
}

AutomaticWrite WriteAutomaticDownload(CDASChannel& channel, const DownloadMark& before,
                                      const std::function<bool(const CDataRecordSet&)>& write) {
    AutomaticWrite out;
    out.continues = channel.GetDownloadSelection().mode == CSelectionSet::kSinceLast;
    out.refetched = out.continues ? KeepRecordsBeforeFirstDrop(channel) : 0;
    out.droppedLines = channel.GetDownloadOutcome().droppedLines;
    out.recordsMissing = channel.GetDownloadOutcome().recordsMissing;
    CDataRecordSet set;
    GatherChannel(channel, set);
    out.rows = set.GetRowCount();
    if (out.rows == 0)
        return out;
    if (write(set)) {
        out.result = AutomaticWrite::kWritten;
        return out;
    }
    out.result = AutomaticWrite::kWriteFailed;
    DataGuard guard;
    channel.SetLastDownload(before.lastDownload);
    channel.SetDownloadedBefore(before.downloadedBefore);
    return out;
}

}  // namespace talven
