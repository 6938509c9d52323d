#pragma once
// The DLOG record download as a request of an instrument's worker, over the session's link and
// response stream.

#include <string>
#include <vector>

#include "dlog/RecordDownload.h"
#include "session/ThreadMessages.h"

namespace talven {

class CDASChannel;
class IDlogInstrument;
class SessionExchange;

/// The record download's view of an open exchange. Worker only.
class SessionRecordLink : public DlogRecordLink {
  public:
    /// The session must be open (it has a response stream) for the life of this object.
    explicit SessionRecordLink(SessionExchange& exchange);

    std::string GetCapabilities() const override;
    bool SendCommand(char word, const std::string& argument) override;
    TokenStream& ResponseStream() override;
    int SetResponseTimeout(int milliseconds) override;
    int GetReceiveTimeout() const override;
    /// The session logs each line it reads as a response.
    std::string ReadRawLine(int timeoutMilliseconds, std::size_t maxBytes) override;
    DateTime ReadInstrumentDate() override;
    bool IsCancelRequested() const override;
    /// The link is still open and was not opened again since this object was made.
    bool IsLinkIntact() const override;

  private:
    SessionExchange& exchange_;
    std::uint32_t generation_;
};

/// Downloads the records of the node's channels of these names and posts 1041 (with the name's
/// position in the list), 1032 and finally 1042 or 1043 to window. Not connected: 1043 at once.
/// The names are looked up when the request runs, under the data lock, so that a channel list
/// replaced while the request waited (a configuration download before it) is never read through
/// a stale pointer; a name no longer there is passed over. While the download runs, the channels
/// must stay (the DLOG window refuses edits while it is busy).
class CThreadMessageRequestDASRecords : public CSessionRequest {
  public:
    CThreadMessageRequestDASRecords(CInstrumentConnectedNode* node, std::vector<std::string> channelNames,
                                    NotifyTarget window);
    const char* GetRuntimeClass() const override { return "CThreadMessageRequestDASRecords"; }

  protected:
    void Run(SessionExchange& exchange) override;

  private:
    std::vector<std::string> channelNames_;
    NotifyTarget window_;
};

/// Downloads the DLOG configuration (events and data points when offered, then the channels in the
/// script or printed form) into the instrument's lists; 1031, 1032 per step, then 1033 or 1034. The
/// lists change only when the whole configuration was read. dlog must outlive the request.
class CThreadMessageRequestDASConfig : public CTransferRequest {
  public:
    CThreadMessageRequestDASConfig(CInstrumentConnectedNode* node, IDlogInstrument* dlog,
                                   NotifyTarget window);
    const char* GetRuntimeClass() const override { return "CThreadMessageRequestDASConfig"; }

  protected:
    bool Transfer(SessionExchange& exchange) override;

  private:
    IDlogInstrument* dlog_;
};

/// Sends the configuration script; on "New DAS configuration stored." the in-effect flags follow the
/// configured ones and the modified mark is cleared; 1035 or 1036.
class CThreadMessageSendDASConfig : public CTransferRequest {
  public:
    CThreadMessageSendDASConfig(CInstrumentConnectedNode* node, IDlogInstrument* dlog, NotifyTarget window);
    const char* GetRuntimeClass() const override { return "CThreadMessageSendDASConfig"; }

  protected:
    bool Transfer(SessionExchange& exchange) override;

  private:
    IDlogInstrument* dlog_;
};

}  // namespace talven
