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
