#pragma once
// A link over TCP (to an instrument's network interface or to a multiplexor channel), read by
// polling a non-blocking socket, with automatic reconnection when the connection breaks.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "transport/Connection.h"

namespace talven {

class PolledInput;

class CTCPConnection : public CConnection {
  public:
    static constexpr std::uint32_t kSchema = 0;
    /// The shortest bound of a connect attempt, whatever the owner's receive time-out.
    static constexpr std::uint32_t kMinConnectTimeoutMs = 5000;

    CTCPConnection();
    ~CTCPConnection() override;

    const char* GetRuntimeClass() const override { return "CTCPConnection"; }
    /// Host, port.
    void Serialize(ObjectArchive& ar) override;
    bool ReadConfig(TokenStream& stream, const CNamedObjectList& modems) override;
    void WriteConfig(std::string& out, const CNamedObjectList& modems) const override;
    std::string GetUnwritableConfigField() const override;
    int GetTypeKeyword() const override { return linkkw::kTcpip; }
    bool IsHandleOpen() const override;
    /// Resolves the host (dotted address or name) and connects, bounded by the owner's receive
    /// time-out (at least 5 s) and the owner's cancel request.
    bool Open(LinkOwner* owner) override;
    bool Close() override;
    bool Purge() override;
    int Read(char* buffer, int maxLength, int timeoutMs, int terminator, bool countFailures) override;
    /// Sends all of text; when the connection broke, reconnects and sends again.
    bool Write(std::string_view text) override;
    bool EditProperties() override;
    std::unique_ptr<CConnection> Clone() const override;
    /// Closes and reopens up to maxReconnects times with progress texts; declares the link lost
    /// when every attempt failed. True when the link was restored.
    virtual bool Reconnect();

    std::string GetHost() const;
    void SetHost(std::string host);
    std::uint32_t GetPort() const;
    void SetPort(std::uint32_t port);

  private:
    CTCPConnection(const CTCPConnection& other);
    enum class SendResult { kSent, kBroken, kStalled };
    void Progress(const std::string& text);
    /// Sends the rest of text after a partial send (never the whole text again: a repeated head
    /// would reach the instrument as a garbled command) until all of it was taken.
    SendResult SendAll(std::string_view text);

    std::string host_ = "0.0.0.0";
    std::uint32_t port_ = 0;

    // Link state: worker thread only.
    int socket_ = -1;
    std::unique_ptr<PolledInput> input_;
    LinkOwner* sessionOwner_ = nullptr;
    std::atomic<bool> handleValid_{false};
};

}  // namespace talven
