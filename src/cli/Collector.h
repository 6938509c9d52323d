#pragma once
// Unattended automatic downloads over a network configuration file: one pass downloads every
// channel due for automatic download, instruments in parallel, and saves the channels'
// last-download times back to the file.

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <tuple>

#include "dlog/AutomaticDownload.h"
#include "foundation/DateTime.h"

namespace talven {
class CDASChannel;
class CDataRecordSet;
class CInstrumentSession;
}  // namespace talven

namespace talven::cli {

class CommandNotifier;

struct CollectOptions {
    std::string networkPath;
    /// The DLOG window's "Samples" box for the files written.
    bool samplesBox = false;
};

/// A channel of an instrument of the file: the instrument by its list (connected or behind a
/// multiplexor), id and name, the channel by name.
struct ChannelKey {
    bool multiplexed = false;
    std::uint32_t instrumentId = 0;
    std::string instrumentName;
    std::string channelName;
    bool operator<(const ChannelKey& other) const {
        return std::tie(multiplexed, instrumentId, instrumentName, channelName) <
               std::tie(other.multiplexed, other.instrumentId, other.instrumentName, other.channelName);
    }
};

struct PassOutcome {
    /// Every due channel was downloaded and written, and its last-download time saved.
    bool ok = true;
    /// The file could be read and can be saved: the pass was made.
    bool loaded = true;
    std::size_t dueChannels = 0;
    std::size_t channelsDone = 0;
};

struct InstrumentJob;

class Collector {
  public:
    /// stop: set (by a signal) to finish the instruments under way and start no other.
    Collector(CollectOptions options, CommandNotifier& notes, const std::atomic<bool>& stop);

    /// One pass over the file as it is now. Each channel's records are written and its new
    /// last-download time saved to the file at once, one channel after another, so that a pass
    /// stopped at any moment neither loses nor repeats a record when collect runs again.
    PassOutcome RunPass();

    /// Asks every session under way to cancel its exchange (the instrument's own cancel where it
    /// has one); called while the stop flag is set, from any thread. A download cut short fails:
    /// its channels keep their former last-download times.
    void CancelUnderWay();

  private:
    /// Keeps a session on the list CancelUnderWay works on for the life of the scope.
    class UnderWay {
      public:
        UnderWay(Collector& collector, CInstrumentSession& session);
        ~UnderWay();
        UnderWay(const UnderWay&) = delete;
        UnderWay& operator=(const UnderWay&) = delete;

      private:
        Collector& collector_;
        CInstrumentSession& session_;
    };

    void CollectInstrument(InstrumentJob& job);
    /// Writes a downloaded channel's records to its download file and saves its new mark; an
    /// append whose mark could not be saved is undone. Any thread; one channel at a time.
    bool Commit(const ChannelKey& key, CDASChannel& channel, const CDataRecordSet& set,
                const DownloadMark& mark);
    bool SaveMark(const ChannelKey& key, const DownloadMark& mark);
    /// Settles an append that an earlier run left half done; false when it cannot be settled.
    bool SettlePendingAppend();
    std::string NotePath() const { return options_.networkPath + ".pending"; }

    CollectOptions options_;
    CommandNotifier& notes_;
    const std::atomic<bool>& stop_;
    std::mutex commitMutex_;
    /// When each channel was last downloaded in this run (PC clock): paces channels whose newest
    /// record does not move on. Guarded by commitMutex_.
    std::map<ChannelKey, DateTime> downloadedAt_;
    std::mutex underWayMutex_;
    std::set<CInstrumentSession*> underWay_;
};

}  // namespace talven::cli
