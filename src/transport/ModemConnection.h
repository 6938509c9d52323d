#pragma once
// A Hayes modem on a serial port: opening resets and initialises the modem, dials and waits for the
// connect response; closing escapes to command mode, hangs up and resets.

#include <cstdint>
#include <string>

#include "transport/CommPortConnection.h"

namespace talven {

class CModemSettings;

class CModemConnection : public CCommPortConnection {
  public:
    static constexpr std::uint32_t kSchema = 1;
    static constexpr int kOkTimeoutMs = 1000;
    static constexpr int kEscapeTimeoutMs = 5000;
    static constexpr int kGuardTimeMs = 1500;

    CModemConnection();
    ~CModemConnection() override;

    const char* GetRuntimeClass() const override { return "CModemConnection"; }
    /// Stores schema 1: the serial data, modem id, telephone number, connect time-out.
    void Serialize(ObjectArchive& ar) override;
    bool ReadConfig(TokenStream& stream, const CNamedObjectList& modems) override;
    void WriteConfig(std::string& out, const CNamedObjectList& modems) const override;
    std::string GetUnwritableConfigField() const override;
    int GetTypeKeyword() const override { return linkkw::kBuiltinModem; }
    /// Finds the modem in the modems list (TransportEnvironment), opens the port, resets,
    /// initialises, dials and waits for the connect response, counting down the seconds.
    bool Open(LinkOwner* owner) override;
    /// Guard time, escape, hang-up, reset, then the serial close.
    bool Close() override;
    bool EditProperties() override;
    std::unique_ptr<CConnection> Clone() const override;

    /// Sends command + CR; with waitForOk retries up to 3 times until the OK response is seen.
    bool SendCommand(const std::string& command, bool waitForOk);
    /// Reads lines until one contains expected (without regard to letter case); false when
    /// expected is empty or it did not come within timeoutMs. These reads are not counted as
    /// failed reads of the link.
    bool WaitForResponse(const std::string& expected, int timeoutMs);

    std::uint32_t GetModemId() const;
    void SetModemId(std::uint32_t id);
    std::string GetTelephoneNumber() const;
    void SetTelephoneNumber(std::string number);
    std::int32_t GetConnectTimeout() const;
    void SetConnectTimeout(std::int32_t seconds);

  private:
    CModemConnection(const CModemConnection& other);
    bool Dial(LinkOwner* owner, const std::string& number, int timeoutSeconds);
    void HangUp();

    std::uint32_t modemId_ = 0;
    std::string telephoneNumber_;
    std::int32_t connectTimeout_ = 120;

    // While open: a copy of the modem taken at Open. A load may replace the modems list while the
    // link is open, so the link never keeps a pointer into it; the in-use count is given back by id.
    std::unique_ptr<CModemSettings> inUse_;
};

}  // namespace talven
