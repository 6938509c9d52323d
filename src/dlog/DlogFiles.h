#pragma once
// Files of the DLOG: writing a whole file safely, and the file names proposed to the user.

#include <string>
#include <string_view>

namespace talven {

class IDlogInstrument;

/// Drops every character that is not printable and every one of ` ' " < > / \ | & * ?; the colon
/// stays.
std::string CleanFileName(std::string_view name);

/// Writes content to a temporary file beside path and renames it over path. False, with path
/// untouched, when any step fails.
bool WriteFileReplacing(const std::string& path, std::string_view content);

/// 61314 "%s-%s-%s-Auto%s": instrument name, serial number, channel name, ".csv"; cleaned.
std::string ProposeAutoDownloadFileName(IDlogInstrument& instrument, const std::string& channelName);
/// 61324 "%s-%s-%s-%s-%s-%ld%s": instrument name, serial number, channel name, first parameter
/// name, today formatted with the file-name date format, the first column's set number, ".csv";
/// cleaned.
std::string ProposeManualDataFileName(IDlogInstrument& instrument, const std::string& channelName,
                                      const std::string& parameterName, const std::string& dateText,
                                      unsigned long setNumber);

}  // namespace talven
