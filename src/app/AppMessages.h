#pragma once
// Numbers of the application texts without a number of their own.

namespace talven::msg {
constexpr int kSaveModifiedNetwork = 63017;
constexpr int kOpenNetworkFilter = 63018;
constexpr int kConnectionFailed = 63019;
constexpr int kRestoreDefaultsQuestion = 63020;
constexpr int kManualUnavailable = 63021;
constexpr int kManualMissing = 63053;
constexpr int kNoRecentFiles = 63022;
constexpr int kAboutText = 63023;
constexpr int kAboutCaption = 63024;
// Status-bar prompts of the main window's commands: "prompt\ntool tip".
constexpr int kPromptNew = 63030;
constexpr int kPromptOpen = 63031;
constexpr int kPromptSave = 63032;
constexpr int kPromptSaveAs = 63033;
constexpr int kPromptConnect = 63034;
constexpr int kPromptExit = 63035;
constexpr int kPromptNewSite = 63036;
constexpr int kPromptNewInstrument = 63037;
constexpr int kPromptDuplicate = 63038;
constexpr int kPromptProperties = 63039;
constexpr int kPromptDelete = 63040;
constexpr int kPromptModems = 63041;
constexpr int kPromptOptions = 63042;
constexpr int kPromptRestoreDefaults = 63043;
constexpr int kPromptBackgroundColor = 63044;
constexpr int kPromptManual = 63045;
constexpr int kPromptNewMultiplexor = 63046;
constexpr int kPromptToolbar = 63047;
constexpr int kPromptStatusBar = 63048;
constexpr int kPromptAbout = 63049;
constexpr int kPromptInstrumentInformation = 63050;
constexpr int kPromptOpenRecent = 63051;
constexpr int kReady = 63052;
}  // namespace talven::msg
