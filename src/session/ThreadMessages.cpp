#include "session/ThreadMessages.h"

#include "session/InstrumentSession.h"

namespace talven {

void CSessionRequest::Execute() {
    if (node_ == nullptr)
        return;
    CInstrumentSession* session = CInstrumentSession::Find(*node_);
    if (session == nullptr)
        return;  // the node is going away
    ran_ = true;
    Run(*session);
}

CTransferRequest::CTransferRequest(CInstrumentConnectedNode* node, NotifyTarget window, int successCode,
                                   int failureCode, bool joinLines)
    : CSessionRequest(node),
      window_(window),
      successCode_(successCode),
      failureCode_(failureCode),
      joinLines_(joinLines) {}

void CTransferRequest::Run(CInstrumentSession& session) {
    bool ok = false;
    if (session.IsSessionOpen()) {
        CInstrumentSession::TransferBracket bracket(session, joinLines_);
        ok = Transfer(session);
    }
    session.PostToWindow(window_, ok ? successCode_ : failureCode_);
}

void CThreadMessageConnect::Run(CInstrumentSession& session) {
    session.ConnectExchange();
}

void CThreadMessageDisconnect::Run(CInstrumentSession& session) {
    session.DisconnectExchange();
}

CThreadMessageRequestDisplay::~CThreadMessageRequestDisplay() {
    if (GetNode() != nullptr && !HasRun()) {
        if (CInstrumentSession* session = CInstrumentSession::Find(*GetNode()))
            session->ClearPendingMarks(true, false);
    }
}

CThreadMessageRequestLEDStates::~CThreadMessageRequestLEDStates() {
    if (GetNode() != nullptr && !HasRun()) {
        if (CInstrumentSession* session = CInstrumentSession::Find(*GetNode()))
            session->ClearPendingMarks(false, true);
    }
}

void CThreadMessageRequestDisplay::Run(CInstrumentSession& session) {
    session.DisplayExchange(false);
}

void CThreadMessageRequestLEDStates::Run(CInstrumentSession& session) {
    session.LightExchange(false);
}

void CThreadMessagePressButton::Run(CInstrumentSession& session) {
    session.KeyExchange(key_);
}

}  // namespace talven
