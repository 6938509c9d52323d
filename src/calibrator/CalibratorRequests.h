#pragma once
// The calibrator's requests to an instrument's worker: downloading and sending the sequence
// configuration and the level table, with the gas and unit names read first when the instrument
// has them. Each runs in the session's transfer frame and posts 1031 (range), 1032 (step) and the
// completion code to the requesting window.
//
// The calibrator view passed in must outlive the request: the command line waits for it, and the
// windows hand the request a share of their view (KeepAlive) so that a window closed by force
// cannot pull the view from under the worker.

#include <memory>

#include "foundation/Notifier.h"
#include "session/ThreadMessages.h"

namespace talven {

class ICalibratorInstrument;

/// Worker only: "getgasnames" / "getunitnames" and the reply; the list is replaced (and the network
/// configuration marked modified) only when the whole table read.
bool ReadGasNames(SessionExchange& exchange, ICalibratorInstrument& calibrator);
bool ReadUnitNames(SessionExchange& exchange, ICalibratorInstrument& calibrator);

class CCalibratorTransferRequest : public CTransferRequest {
  public:
    CCalibratorTransferRequest(CInstrumentConnectedNode* node, ICalibratorInstrument* calibrator,
                               NotifyTarget window, bool download);

    /// A request deleted without having run (the session took no more requests, or its worker
    /// ended first) posts its failure code, so that the window waiting for it is not left busy.
    ~CCalibratorTransferRequest() override;

    /// Keeps owner (the view's holder) alive for as long as the request exists.
    void KeepAlive(std::shared_ptr<const void> owner) { keepAlive_ = std::move(owner); }

  protected:
    ICalibratorInstrument& Calibrator() const { return *calibrator_; }

  private:
    ICalibratorInstrument* calibrator_;
    int failureCode_;
    std::shared_ptr<const void> keepAlive_;
};

class CThreadMessageRequestSequenceConfig : public CCalibratorTransferRequest {
  public:
    CThreadMessageRequestSequenceConfig(CInstrumentConnectedNode* node, ICalibratorInstrument* calibrator,
                                        NotifyTarget window)
        : CCalibratorTransferRequest(node, calibrator, window, true) {}
    const char* GetRuntimeClass() const override { return "CThreadMessageRequestSequenceConfig"; }

  protected:
    bool Transfer(SessionExchange& exchange) override;
};

class CThreadMessageSendSequenceConfig : public CCalibratorTransferRequest {
  public:
    CThreadMessageSendSequenceConfig(CInstrumentConnectedNode* node, ICalibratorInstrument* calibrator,
                                     NotifyTarget window)
        : CCalibratorTransferRequest(node, calibrator, window, false) {}
    const char* GetRuntimeClass() const override { return "CThreadMessageSendSequenceConfig"; }

  protected:
    bool Transfer(SessionExchange& exchange) override;
};

class CThreadMessageRequestLevelTable : public CCalibratorTransferRequest {
  public:
    CThreadMessageRequestLevelTable(CInstrumentConnectedNode* node, ICalibratorInstrument* calibrator,
                                    NotifyTarget window)
        : CCalibratorTransferRequest(node, calibrator, window, true) {}
    const char* GetRuntimeClass() const override { return "CThreadMessageRequestLevelTable"; }

  protected:
    bool Transfer(SessionExchange& exchange) override;
};

class CThreadMessageSendLevelTable : public CCalibratorTransferRequest {
  public:
    CThreadMessageSendLevelTable(CInstrumentConnectedNode* node, ICalibratorInstrument* calibrator,
                                 NotifyTarget window)
        : CCalibratorTransferRequest(node, calibrator, window, false) {}
    const char* GetRuntimeClass() const override { return "CThreadMessageSendLevelTable"; }

  protected:
    bool Transfer(SessionExchange& exchange) override;
};

}  // namespace talven
