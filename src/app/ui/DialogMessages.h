#pragma once
// Numbers of the dialogs' texts in the message table.

namespace talven::msg {
constexpr int kEnterInteger = 63060;
constexpr int kEnterIntegerBetween = 63061;
constexpr int kEnterLogFileName = 63062;
constexpr int kRestoreDefaultsQuestion = 63063;
constexpr int kUnreadableEscape = 63064;
constexpr int kEnterModeVariable = 63065;
constexpr int kConnectionTypeWhileConnected = 63066;
constexpr int kTelephoneNumberTooLong = 63067;
constexpr int kInstrumentInformationTitle = 63068;
constexpr int kSelectCodeField = 63069;
constexpr int kDeselectCodeField = 63070;
constexpr int kEnterSerialPort = 63071;
}  // namespace talven::msg
