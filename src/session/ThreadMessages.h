#pragma once
// The requests of the session layer itself. Requests of the DLOG and calibrator layers derive
// from CSessionRequest the same way.

#include <cstdint>

#include "foundation/Notifier.h"
#include "session/CommInterface.h"

namespace talven {

class CInstrumentConnectedNode;
class CInstrumentSession;
class SessionExchange;

/// A request about one instrument node (not owned). Does nothing when the node is null.
class CSessionRequest : public CThreadMessage {
  public:
    explicit CSessionRequest(CInstrumentConnectedNode* node) : node_(node) {}
    void Execute() final;
    CInstrumentConnectedNode* GetNode() const { return node_; }
    bool HasRun() const { return ran_; }

  protected:
    /// Runs the exchange in the node's session, on its worker.
    virtual void Run(SessionExchange& exchange) = 0;

  private:
    CInstrumentConnectedNode* node_;
    bool ran_ = false;
};

/// The frame shared by the long transfers (configuration downloads and sends): when the session is
/// not open the failure code goes to the window at once; otherwise the interface is marked in use,
/// periodic polling is held off and the use bracket is taken (and lines joined, for downloads)
/// around Transfer, and then the success or failure code goes to the window.
class CTransferRequest : public CSessionRequest {
  public:
    /// successCode / failureCode: 1033 / 1034 for downloads, 1035 / 1036 for sends.
    CTransferRequest(CInstrumentConnectedNode* node, NotifyTarget window, int successCode, int failureCode,
                     bool joinLines);
    NotifyTarget GetWindow() const { return window_; }

  protected:
    void Run(SessionExchange& exchange) final;
    /// The exchange itself, on the worker; post 1031 and 1032 to GetWindow() as it goes.
    virtual bool Transfer(SessionExchange& exchange) = 0;

  private:
    NotifyTarget window_;
    int successCode_;
    int failureCode_;
    bool joinLines_;
};

class CThreadMessageConnect : public CSessionRequest {
  public:
    using CSessionRequest::CSessionRequest;
    const char* GetRuntimeClass() const override { return "CThreadMessageConnect"; }

  protected:
    void Run(SessionExchange& exchange) override;
};

class CThreadMessageDisconnect : public CSessionRequest {
  public:
    using CSessionRequest::CSessionRequest;
    const char* GetRuntimeClass() const override { return "CThreadMessageDisconnect"; }

  protected:
    void Run(SessionExchange& exchange) override;
};

class CThreadMessageRequestDisplay : public CSessionRequest {
  public:
    using CSessionRequest::CSessionRequest;
    /// A request deleted unrun (its worker ended) gives its pending mark back.
    ~CThreadMessageRequestDisplay() override;
    const char* GetRuntimeClass() const override { return "CThreadMessageRequestDisplay"; }

  protected:
    void Run(SessionExchange& exchange) override;
};

class CThreadMessageRequestLEDStates : public CSessionRequest {
  public:
    using CSessionRequest::CSessionRequest;
    /// A request deleted unrun (its worker ended) gives its pending mark back.
    ~CThreadMessageRequestLEDStates() override;
    const char* GetRuntimeClass() const override { return "CThreadMessageRequestLEDStates"; }

  protected:
    void Run(SessionExchange& exchange) override;
};

class CThreadMessagePressButton : public CSessionRequest {
  public:
    CThreadMessagePressButton(CInstrumentConnectedNode* node, int key) : CSessionRequest(node), key_(key) {}
    const char* GetRuntimeClass() const override { return "CThreadMessagePressButton"; }
    int GetKey() const { return key_; }

  protected:
    void Run(SessionExchange& exchange) override;

  private:
    int key_;
};

}  // namespace talven
