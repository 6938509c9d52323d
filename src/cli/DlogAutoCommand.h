#pragma once
// talvenctl `dlog auto`: the automatic download settings of an instrument's DLOG channels in a
// network file, shown or changed, for collect to use.

#include <iosfwd>
#include <string>
#include <vector>

namespace talven {
class CDASChannel;
class CInstrumentSession;
class InstrumentNodeDlog;
}  // namespace talven

namespace talven::cli {

class CommandNotifier;

/// args after the words `dlog auto`.
int DlogAutoCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

/// The channels named, in that order, or every channel when names is empty; false (with the
/// message on err) when one is not there.
bool ChannelsNamed(InstrumentNodeDlog& dlog, const std::vector<std::string>& names,
                   std::vector<CDASChannel*>& channels, std::ostream& err);

/// Downloads the DLOG configuration into the node's lists; false (with the message on err) when
/// it failed.
bool DownloadConfiguration(CInstrumentSession& session, CommandNotifier& notes, InstrumentNodeDlog& dlog,
                           std::ostream& err);

}  // namespace talven::cli
