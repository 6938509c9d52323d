#pragma once
// Numbers of the session texts without a number of their own.

namespace talven::msg {
constexpr int kConnectingTo = 63400;
constexpr int kUnableToConnectSite = 63401;
constexpr int kResponseTimeout = 63402;
constexpr int kLoggingOn = 63403;
constexpr int kUnableToLogOn = 63404;
constexpr int kSettingMode = 63405;
constexpr int kRequestingCapabilities = 63406;
constexpr int kSiteInvalid = 63407;
constexpr int kTypeCalibrator = 63408;
constexpr int kTypeMonitor = 63409;
constexpr int kModelNameLine = 63410;
constexpr int kPartNumberLine = 63411;
constexpr int kSerialNumberLine = 63412;
constexpr int kFirmwareRevisionLine = 63413;
constexpr int kLibraryRevisionLine = 63414;
constexpr int kRequestFailed = 63415;
/// The capability texts, in the order the Instrument Information window lists them.
constexpr int kFirstCapabilityText = 63420;
}  // namespace talven::msg
