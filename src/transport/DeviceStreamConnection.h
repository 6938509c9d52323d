#pragma once
// The part that the links over a communications device (a serial port, a telephony call's modem
// device) share: the device stream they read by polling and write, once the link is open.

#include <string_view>

#include "transport/Connection.h"
#include "transport/SerialDevice.h"

namespace talven {

class CDeviceStreamConnection : public CConnection {
  public:
    bool IsHandleOpen() const override;
    bool Purge() override;
    int Read(char* buffer, int maxLength, int timeoutMs, int terminator, bool countFailures) override;
    bool Write(std::string_view text) override;

  protected:
    CDeviceStreamConnection() = default;
    /// A copy has the settings of other and no device.
    CDeviceStreamConnection(const CDeviceStreamConnection& other) : CConnection(other) {}

    // Link state: worker thread only.
    DeviceStream stream_;
};

}  // namespace talven
