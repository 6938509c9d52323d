#pragma once
// Files of the DLOG: writing a whole file safely, and the file names proposed to the user.

#include <string>
#include <string_view>

#include "foundation/FileWrite.h"

namespace talven {

class IDlogInstrument;

/// 61314 "%s-%s-%s-Auto%s": instrument name, serial number, channel name, ".csv"; cleaned.
std::string ProposeAutoDownloadFileName(IDlogInstrument& instrument, const std::string& channelName);
/// 61324 "%s-%s-%s-%s-%s-%ld%s": instrument name, serial number, channel name, first parameter
/// name, today formatted with the file-name date format, the first column's set number, ".csv";
/// cleaned.
std::string ProposeManualDataFileName(IDlogInstrument& instrument, const std::string& channelName,
                                      const std::string& parameterName, const std::string& dateText,
                                      unsigned long setNumber);

}  // namespace talven
