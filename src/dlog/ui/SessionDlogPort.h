#pragma once
// The DLOG window's view of an instrument's session: connection state, the three DLOG requests
// posted to the instrument's worker, the cancel flag, and the "Samples" box the node keeps.

#include "dlog/ui/DlogConfigPresenter.h"

namespace talven {

class CInstrumentConnectedNode;

class SessionDlogPort : public DlogSessionPort {
  public:
    /// The node must outlive the port.
    explicit SessionDlogPort(CInstrumentConnectedNode& node) : node_(node) {}

    bool IsConnected() const override;
    bool HasWorker() const override;
    bool PostConfigDownload(IDlogInstrument& dlog, NotifyTarget window) override;
    bool PostConfigSend(IDlogInstrument& dlog, NotifyTarget window) override;
    bool PostRecordDownload(std::vector<std::string> channelNames, NotifyTarget window) override;
    void SetCancelRequested(bool cancel) override;
    bool GetSamplesBox() const override;
    void SetSamplesBox(bool on) override;
    std::string GetSiteName() const override;

  private:
    CInstrumentConnectedNode& node_;
};

}  // namespace talven
