#pragma once
// A link over a serial port: the port is opened exclusively with the stored line settings, read by
// polling (bytes waiting, a non-blocking read of up to 10000 bytes, a wait of up to 10 ms on the
// device) and drained for at most 10 s on close.

#include <cstdint>
#include <memory>
#include <string>

#include "transport/DeviceStreamConnection.h"

namespace talven {

class CCommPortConnection : public CDeviceStreamConnection {
  public:
    static constexpr std::uint32_t kSchema = 1;

    CCommPortConnection();
    ~CCommPortConnection() override;

    const char* GetRuntimeClass() const override { return "CCommPortConnection"; }
    /// Stores schema 1: port name, baud rate, parity, data bits, stop bits, XON/XOFF. Loads schema
    /// 1, or 0 without XON/XOFF; any other schema fails the archive.
    void Serialize(ObjectArchive& ar) override;
    bool ReadConfig(TokenStream& stream, const CNamedObjectList& modems) override;
    void WriteConfig(std::string& out, const CNamedObjectList& modems) const override;
    std::string GetUnwritableConfigField() const override;
    int GetTypeKeyword() const override { return linkkw::kDirectCable; }
    bool Open(LinkOwner* owner) override;
    bool Close() override;
    bool EditProperties() override;
    std::unique_ptr<CConnection> Clone() const override;

    std::string GetPortName() const;
    void SetPortName(std::string name);
    std::uint32_t GetBaudRate() const;
    void SetBaudRate(std::uint32_t baud);
    /// 0 none, 1 odd, 2 even, 3 mark, 4 space.
    std::uint32_t GetParity() const;
    /// 1 or 'O' odd, 2 or 'E' even, 3 or 'M' mark, 4 or 'S' space, anything else none.
    void SetParity(std::uint32_t code);
    std::uint32_t GetDataBits() const;
    void SetDataBits(std::uint32_t bits);
    /// 0 one stop bit, 2 two stop bits.
    std::uint32_t GetStopBits() const;
    /// 2 gives two stop bits, anything else one (0).
    void SetStopBits(std::uint32_t code);
    bool GetXonXoff() const;
    void SetXonXoff(bool on);

  protected:
    CCommPortConnection(const CCommPortConnection& other);
    /// Copies the six serial settings from other.
    void CopySerialSettings(const CCommPortConnection& other);
    /// Serial part of the configuration text, shared with the Hayes modem link.
    bool ReadSerialConfig(TokenStream& stream);
    void WriteSerialConfig(std::string& out) const;
    void SerializeSerial(ObjectArchive& ar, std::uint32_t schema);
    /// Closes the device without the base part (drain, wait, close); false when it was not open.
    bool CloseDevice();

  private:
    std::string portName_ = "COM1";
    std::uint32_t baudRate_ = 19200;
    std::uint32_t parity_ = 0;
    std::uint32_t dataBits_ = 8;
    std::uint32_t stopBits_ = 0;
    bool xonXoff_ = false;
};

}  // namespace talven
