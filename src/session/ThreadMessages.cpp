#include "session/ThreadMessages.h"

#include "session/InstrumentSession.h"
#include "session/SessionExchange.h"

namespace talven {

void CSessionRequest::Execute() {
    if (node_ == nullptr)
        return;
    CInstrumentSession* session = CInstrumentSession::Find(*node_);
    if (session == nullptr)
        return;  // the node is going away
    ran_ = true;
    Run(session->Exchange());
}

CTransferRequest::CTransferRequest(CInstrumentConnectedNode* node, NotifyTarget window, int successCode,
                                   int failureCode, bool joinLines)
    : CSessionRequest(node),
      window_(window),
      successCode_(successCode),
      failureCode_(failureCode),
      joinLines_(joinLines) {}

void CTransferRequest::Run(SessionExchange& exchange) {
    bool ok = false;
    if (exchange.IsSessionOpen()) {
        SessionExchange::TransferBracket bracket(exchange, joinLines_);
        ok = Transfer(exchange);
    }
    exchange.PostToWindow(window_, ok ? successCode_ : failureCode_);
}

void CThreadMessageConnect::Run(SessionExchange& exchange) {
    exchange.ConnectExchange();
}

void CThreadMessageDisconnect::Run(SessionExchange& exchange) {
    exchange.DisconnectExchange();
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

void CThreadMessageRequestDisplay::Run(SessionExchange& exchange) {
    exchange.DisplayExchange(false);
}

void CThreadMessageRequestLEDStates::Run(SessionExchange& exchange) {
    exchange.LightExchange(false);
}

void CThreadMessagePressButton::Run(SessionExchange& exchange) {
    exchange.KeyExchange(key_);
}

}  // namespace talven
