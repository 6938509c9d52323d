#pragma once
// Numbers of the window program's texts without a number of their own.

namespace talven::msg {
constexpr int kDialogNotAvailable = 63800;
constexpr int kDialogProperties = 63801;
constexpr int kDialogOptions = 63802;
constexpr int kDialogModems = 63803;
constexpr int kDialogInstrumentInformation = 63804;
constexpr int kConnectionTitle = 63810;
constexpr int kConnectionInstrument = 63811;
constexpr int kConnectionLink = 63812;
constexpr int kConnectionState = 63813;
constexpr int kConnectionDisplay = 63814;
constexpr int kConnectionLights = 63815;
constexpr int kStateNotConnected = 63816;
constexpr int kStateConnecting = 63817;
constexpr int kStateIdentifying = 63818;
constexpr int kStateConnected = 63819;
constexpr int kStateClosing = 63820;
constexpr int kButtonClose = 63821;
constexpr int kLightOn = 63822;
constexpr int kLightOff = 63823;
constexpr int kLightBlinking = 63824;
constexpr int kNoLights = 63825;
constexpr int kNoDisplay = 63830;
constexpr int kNetworkTreeName = 63831;
}  // namespace talven::msg
