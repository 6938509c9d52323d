#pragma once
// Numbers of the dialogs' texts in the message table.

namespace talven::msg {
constexpr int kEnterInteger = 63900;
constexpr int kEnterIntegerBetween = 63901;
constexpr int kEnterLogFileName = 63902;
constexpr int kRestoreDefaultsQuestion = 63903;
constexpr int kUnreadableEscape = 63904;
constexpr int kEnterModeVariable = 63905;
constexpr int kConnectionTypeWhileConnected = 63906;
constexpr int kTelephoneNumberTooLong = 63907;
constexpr int kInstrumentInformationTitle = 63908;
constexpr int kSelectCodeField = 63909;
constexpr int kDeselectCodeField = 63910;
constexpr int kEnterSerialPort = 63911;
}  // namespace talven::msg
