#pragma once
// Numbers of the front panel texts without a number of their own.

namespace talven::msg {
constexpr int kFrontPanelTitle = 63070;
constexpr int kConfirmDisconnect = 63071;
constexpr int kCannotDisconnectNow = 63072;
constexpr int kButtonDlog = 63073;
constexpr int kButtonSequences = 63074;
constexpr int kButtonScrollModule = 63075;
constexpr int kButtonLevels = 63076;
constexpr int kMenuInstrumentInformation = 63077;
constexpr int kMenuDlogConfiguration = 63078;
constexpr int kMenuSequences = 63079;
constexpr int kMenuLevelTable = 63080;
constexpr int kWindowNotAvailable = 63081;
constexpr int kDlogWindowName = 63082;
constexpr int kSequenceWindowName = 63083;
constexpr int kLevelTableWindowName = 63084;
constexpr int kInstrumentInformationTitle = 63085;
constexpr int kMenuInstrument = 63086;
constexpr int kMenuLargeDisplay = 63087;
constexpr int kMenuDisconnect = 63088;
}  // namespace talven::msg
