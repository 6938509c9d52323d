#pragma once
// Numbers of the command line's own texts (the block 63700-63799).

namespace talven::msg {
constexpr int kCliDlogConfigDownloadFailed = 63700;
constexpr int kCliDlogConfigSendFailed = 63701;
constexpr int kCliPassYes = 63702;
constexpr int kCliNotSent = 63703;
constexpr int kCliYesNoSuffix = 63704;
constexpr int kCliMissing = 63705;
constexpr int kCliUnknownSubcommand = 63706;
constexpr int kCliSequenceDownloadFailed = 63707;
constexpr int kCliLevelTableDownloadFailed = 63708;
constexpr int kCliBadCount = 63709;
constexpr int kCliBadDate = 63710;
constexpr int kCliOneSelection = 63711;
constexpr int kCliFileOrDirectory = 63712;
constexpr int kCliOneChannelFile = 63713;
constexpr int kCliNoSuchChannel = 63714;
constexpr int kCliRecordDownloadFailed = 63715;
constexpr int kCliChannelWithoutRecords = 63716;
constexpr int kCliBetweenTwoDates = 63717;
constexpr int kCliCollectStart = 63718;
constexpr int kCliCollectWritten = 63719;
constexpr int kCliCollectNothingNew = 63720;
constexpr int kCliCollectNoFile = 63721;
constexpr int kCliCollectPassDone = 63722;
constexpr int kCliCollectStopped = 63723;
constexpr int kCliCollectStopping = 63724;
constexpr int kCliCollectNotSaved = 63725;
constexpr int kCliCollectNothingDue = 63726;
constexpr int kCliChannelOfInstrument = 63727;
constexpr int kCliCollectCannotSave = 63733;
constexpr int kCliCollectDropped = 63734;
constexpr int kCliLinesDropped = 63735;
constexpr int kCliCollectAppendUndone = 63736;
constexpr int kCliCollectUndoFailed = 63737;
constexpr int kCliCollectNoteUnreadable = 63738;
constexpr int kCliCollectNoteFailed = 63739;
constexpr int kCliAutoNeedsNetwork = 63728;
constexpr int kCliAutoContradiction = 63729;
constexpr int kCliAutoOneChannelFile = 63730;
constexpr int kCliAutoBadPeriod = 63731;
constexpr int kCliAutoRepeatsRecords = 63732;
constexpr int kCliUseLogOnPassword = 63740;
constexpr int kCliNotIdentified = 63741;
constexpr int kCliBetweenReversed = 63742;
constexpr int kCliCannotCreateDirectory = 63743;
constexpr int kCliConvertLeftOut = 63744;
constexpr int kCliAutoEmptyFile = 63745;
constexpr int kCliSendRefused = 63746;
}  // namespace talven::msg
