#pragma once
// Numbers of the transport texts without a number of their own.

namespace talven::msg {
constexpr int kAttemptingToReconnect = 63200;
constexpr int kConnectionRestored = 63201;
constexpr int kConnectionLost = 63202;
constexpr int kConnectionTimeout = 63203;
constexpr int kSerialPortAccessDenied = 63204;
constexpr int kSerialPortNotFound = 63205;
constexpr int kSerialPortBusy = 63206;
constexpr int kSerialPortOpenFailed = 63207;
constexpr int kHostNotFound = 63208;
constexpr int kConnectFailed = 63209;
constexpr int kModemNotFound = 63210;
constexpr int kTelephonyDeviceNotFound = 63211;
constexpr int kCausePermissionDialout = 63212;
constexpr int kCauseNotSerialPort = 63213;
constexpr int kCausePortBusy = 63214;
constexpr int kCauseNoAddress = 63215;
}  // namespace talven::msg
