#pragma once
// A call placed through the telephony service's data modem; once connected, the call's
// communications device is read by polling like a serial port.

#include <cstdint>
#include <memory>
#include <string>

#include "transport/DeviceStreamConnection.h"
#include "transport/Telephony.h"

namespace talven {

class CTAPIModemConnection : public CDeviceStreamConnection {
  public:
    static constexpr std::uint32_t kSchema = 0;

    CTAPIModemConnection();
    ~CTAPIModemConnection() override;

    const char* GetRuntimeClass() const override { return "CTAPIModemConnection"; }
    /// Device id, telephone number, connect time-out.
    void Serialize(ObjectArchive& ar) override;
    bool ReadConfig(TokenStream& stream, const CNamedObjectList& modems) override;
    void WriteConfig(std::string& out, const CNamedObjectList& modems) const override;
    std::string GetUnwritableConfigField() const override;
    int GetTypeKeyword() const override { return linkkw::kWindowsModem; }
    /// Finds the device in the telephony device list (TransportEnvironment), opens its line, places
    /// the call and waits for it to connect, counting down the seconds.
    bool Open(LinkOwner* owner) override;
    bool Close() override;
    bool EditProperties() override;
    std::unique_ptr<CConnection> Clone() const override;

    std::uint32_t GetDeviceId() const;
    void SetDeviceId(std::uint32_t id);
    std::string GetTelephoneNumber() const;
    void SetTelephoneNumber(std::string number);
    std::int32_t GetConnectTimeout() const;
    void SetConnectTimeout(std::int32_t seconds);

  private:
    CTAPIModemConnection(const CTAPIModemConnection& other);
    bool WaitForConnect(TelephonyProvider& provider, LinkOwner* owner, TelephonyCall call, int seconds);
    /// Drops the call (when one was made) and closes the line.
    void Hangup(TelephonyProvider& provider, bool waitForDrop);
    void DiscardMessages(TelephonyProvider& provider);

    std::uint32_t deviceId_ = 0;
    std::string telephoneNumber_;
    std::int32_t connectTimeout_ = 120;

    // Link state: worker thread only.
    TelephonyProvider* provider_ = nullptr;
    TelephonyLine line_ = 0;
    TelephonyCall call_ = 0;
};

}  // namespace talven
