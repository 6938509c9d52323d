#pragma once
// Numbers of the dialogs' texts in the message table.

namespace talven::msg {
constexpr int kEnterInteger = 64000;
constexpr int kEnterIntegerBetween = 64001;
constexpr int kEnterLogFileName = 64002;
constexpr int kRestoreDefaultsQuestion = 64003;
constexpr int kUnreadableEscape = 64004;
constexpr int kEnterModeVariable = 64005;
constexpr int kConnectionTypeWhileConnected = 64006;
constexpr int kTelephoneNumberTooLong = 64007;
constexpr int kInstrumentInformationTitle = 64008;
constexpr int kSelectCodeField = 64009;
constexpr int kDeselectCodeField = 64010;
constexpr int kEnterSerialPort = 64011;
}  // namespace talven::msg
