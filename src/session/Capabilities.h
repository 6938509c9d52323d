#pragma once
// The capability characters an instrument reports, each written once: every layer that offers a
// feature or chooses a command form tests these.

#include <string_view>

namespace talven {

/// The capability characters: one per instrument feature in the capabilities string.
namespace capability {
constexpr char kCalibrator = 'c';
constexpr char kMonitor = 'm';
constexpr char kZpl = 'a';
constexpr char kDlog = 'd';
constexpr char kScript = 't';
constexpr char kHex = 'h';
constexpr char kBase64 = 'i';
constexpr char kFromTo = 'f';
constexpr char kRecords = 'r';
constexpr char kEventParameter = 'e';
constexpr char kNewDlog = 'w';
constexpr char kGetEvents = 'o';
constexpr char kCancel = 'n';
constexpr char kSdev = 'v';
constexpr char kXonXoff = 'x';
constexpr char kCalScript = 's';
constexpr char kDuration = 'u';
constexpr char kLevel = 'l';
constexpr char kLevelTable = 'b';
constexpr char kLevelTableFlow = 'g';
constexpr char kLevelTableActions = 'j';
constexpr char kGasNames = 'p';
constexpr char kInstId = 'A';
constexpr char kSlashCommands = 'k';
constexpr char kFormatDisplay = 'C';
/// The calibrator step kinds: GPT, GPT preset, purge, manual, select output, contact closures.
constexpr const char* kStepKinds = "!@%*#$";
constexpr char kSetContactClosures = '$';

/// True when the capabilities string holds c.
inline bool Has(std::string_view capabilities, char c) {
    return capabilities.find(c) != std::string_view::npos;
}
}  // namespace capability

}  // namespace talven
