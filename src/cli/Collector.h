#pragma once
// Unattended automatic downloads over a network configuration file: one pass downloads every
// channel due for automatic download, instruments in parallel, and saves the channels'
// last-download times back to the file.

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>

#include "foundation/DateTime.h"

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

struct DownloadMark {
    DateTime lastDownload;
    bool downloadedBefore = false;
};

struct PassOutcome {
    /// Every due channel was downloaded and written, and the file saved.
    bool ok = true;
    /// The file could be read.
    bool loaded = true;
    std::size_t dueChannels = 0;
    std::size_t channelsDone = 0;
};

class Collector {
  public:
    /// stop: set (by a signal) to finish the instruments under way and start no other.
    Collector(CollectOptions options, CommandNotifier& notes, const std::atomic<bool>& stop);

    /// One pass over the file as it is now. The marks of channels downloaded are saved to the
    /// file; when the save fails they are kept and applied to every later pass until one saves.
    PassOutcome RunPass();

  private:
    bool SaveMarks();

    CollectOptions options_;
    CommandNotifier& notes_;
    const std::atomic<bool>& stop_;
    std::map<ChannelKey, DownloadMark> unsaved_;
};

}  // namespace talven::cli
