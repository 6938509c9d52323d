#pragma once
// The message table: every text shown to users, reachable by its number and formatted
// printf-style with up to two arguments.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace talven {

/// One printf argument: integers, reals and texts; a conversion that does not fit the argument's
/// kind is converted, so a mismatch never reads out of bounds.
class MessageArg {
  public:
    MessageArg(int v) : value_(static_cast<std::int64_t>(v)) {}
    MessageArg(long v) : value_(static_cast<std::int64_t>(v)) {}
    MessageArg(long long v) : value_(static_cast<std::int64_t>(v)) {}
    MessageArg(unsigned v) : value_(static_cast<std::uint64_t>(v)) {}
    MessageArg(unsigned long v) : value_(static_cast<std::uint64_t>(v)) {}
    MessageArg(unsigned long long v) : value_(static_cast<std::uint64_t>(v)) {}
    MessageArg(double v) : value_(v) {}
    MessageArg(const char* v) : value_(std::string(v ? v : "")) {}
    MessageArg(std::string v) : value_(std::move(v)) {}
    MessageArg(std::string_view v) : value_(std::string(v)) {}

    std::int64_t AsInt() const;
    double AsReal() const;
    std::string AsText() const;

  private:
    std::variant<std::int64_t, std::uint64_t, double, std::string> value_;
};

/// The text of message id, or an empty text when the table has no such number.
std::string_view MessageText(int id);
bool HasMessage(int id);

std::string FormatMessage(int id);
std::string FormatMessage(int id, const MessageArg& a);
std::string FormatMessage(int id, const MessageArg& a, const MessageArg& b);
std::string FormatMessage(int id, const MessageArg& a, const MessageArg& b, const MessageArg& c);

/// A message with the reason it happened: "Unable to save file X." and "Permission denied" give
/// "Unable to save file X: Permission denied." Every message that names a cause takes this form;
/// an empty cause leaves the message as it is.
std::string WithCause(std::string_view message, std::string_view cause);

/// printf-style formatting of a format text with the given arguments (%d %i %u %ld %lu %x %X %c %s
/// %f %g %e %%, flags, width and precision). Missing arguments print as 0 or empty text.
std::string FormatText(std::string_view format, const MessageArg* args, int count);

/// Every (id, text) pair of the table, in ascending id order (for tests and tools).
struct MessageEntry {
    int id;
    const char* text;
};
const MessageEntry* MessageTableBegin();
const MessageEntry* MessageTableEnd();

namespace msg {
constexpr int kLocalMultiplexor = 104;
constexpr int kUnableToDeleteConnected = 105;
constexpr int kUnableToSaveNetworkConfig = 61206;
constexpr int kUnableToSaveDlogConfig = 61211;
constexpr int kConnectedSuffix = 61212;
constexpr int kDeleteQuestion = 61213;
constexpr int kDownloadingDlogConfig = 61216;
constexpr int kDownloadingDataFor = 61217;
constexpr int kDataViewTitle = 61218;
constexpr int kDataFileFilter = 61219;
constexpr int kSavingDataTo = 61220;
constexpr int kErrorWritingFile = 61221;
constexpr int kDlogScriptFilter = 61222;
constexpr int kDialing = 61226;
constexpr int kWaitingToConnect = 61227;
constexpr int kLocalSite = 61229;
constexpr int kLocalInstrument = 61230;
constexpr int kInUseSuffix = 61232;
constexpr int kExitWhileConnected = 61233;
constexpr int kNetworkConfigFilter = 61234;
constexpr int kNetworkConfigExtension = 61235;
constexpr int kNetworkConfigSyntaxError = 61238;
constexpr int kInstrumentAtSite = 61244;
constexpr int kUnableToLoadNetworkConfig = 61252;
constexpr int kSendDlogQuestion = 61255;
constexpr int kDlogScriptSyntaxError = 61256;
constexpr int kEndOfFile = 61258;
constexpr int kCopyOf = 61259;
constexpr int kDlogSent = 61260;
constexpr int kDlogSendFailed = 61261;
constexpr int kSendingDlogConfig = 61262;
constexpr int kPeriodsMustBePositive = 61264;
constexpr int kInvalidChannelName = 61265;
constexpr int kModemStringsRequired = 61267;
constexpr int kEndBeforeStart = 61293;
constexpr int kStartingYearUnsupported = 61294;
constexpr int kEndingYearUnsupported = 61295;
constexpr int kParameterLabel = 61296;
constexpr int kChannelLabel = 61297;
constexpr int kTimeStamp = 61298;
constexpr int kSamples = 61299;
constexpr int kDlogConfigFileName = 61300;
constexpr int kDlogModifiedExit = 61302;
constexpr int kDiscardDlogConfig = 61303;
constexpr int kFileAlreadyExists = 61304;
constexpr int kChannelPropertiesTitle = 61310;
constexpr int kDownloadPeriodMustBePositive = 61311;
constexpr int kNoDownloadFileName = 61312;
constexpr int kUnknown = 61313;
constexpr int kAutoDownloadFileName = 61314;
constexpr int kCancel = 61318;
constexpr int kManualDataFileName = 61324;
constexpr int kManualFileName = 61349;
constexpr int kMenuNewChannel = 61410;
constexpr int kMenuDuplicateChannel = 61411;
constexpr int kMenuChannelProperties = 61412;
constexpr int kMenuDeleteChannel = 61413;
constexpr int kMenuSelectChannel = 61414;
constexpr int kMenuNewParameter = 61415;
constexpr int kMenuDuplicateParameter = 61416;
constexpr int kMenuParameterProperties = 61417;
constexpr int kMenuDeleteParameter = 61418;
constexpr int kMenuSelectParameter = 61419;
constexpr int kOlderFormatOverwrite = 61420;
constexpr int kDateFormatHelp = 61433;
constexpr int kDefaultDateFormat0 = 61434;  // slots 0..5 are 61434..61439

// Texts without a number of their own get numbers from 63000 up, a block per layer:
// foundation and application 63000-63099, text 63100-63199, transport 63200-63299,
// network 63300-63399, session 63400-63499, DLOG 63500-63599, calibrator 63600-63699,
// command line 63700-63799, GUI 63800-63899, calibrator windows 63900-63999, application dialogs
// 64000-64099.
constexpr int kUnableToOpenLog = 63000;
constexpr int kLogFileOpened = 63001;
constexpr int kLogFileClosed = 63002;
constexpr int kSettingsUnreadable = 63003;
constexpr int kCaptionError = 63010;
constexpr int kCaptionConfirm = 63011;
constexpr int kCaptionSuccess = 63012;
constexpr int kCaptionWarning = 63013;
constexpr int kUntitled = 63014;
constexpr int kModifiedSuffix = 63015;
constexpr int kApplicationTitle = 63016;
}  // namespace msg

}  // namespace talven
