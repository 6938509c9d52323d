// The exchange context itself: what it reads of and writes to its session, and the brackets.

#include "session/SessionExchange.h"

#include "foundation/DataLock.h"
#include "session/InstrumentSession.h"

namespace talven {

SessionExchange::SessionExchange(CInstrumentSession& session) : s_(session), node_(session.GetNode()) {}

SessionExchange::~SessionExchange() = default;

bool SessionExchange::IsSessionOpen() const {
    return s_.IsSessionOpen();
}

bool SessionExchange::HasCapability(char c) const {
    return s_.HasCapability(c);
}

bool SessionExchange::IsCancelRequested() const {
    return s_.IsCancelRequested();
}

bool SessionExchange::SendText(std::string_view text, bool flushFirst) {
    return s_.SendText(text, flushFirst);
}

void SessionExchange::ShowStatus(const std::string& text) {
    s_.ShowStatus(text);
}

void SessionExchange::PostToWindow(NotifyTarget window, int code, std::uintptr_t wParam, std::intptr_t lParam) {
    GetNotifier().Post(window, code, wParam, lParam);
}

void SessionExchange::ReplaceList(InstrumentList which, CNamedObjectList&& fresh) {
    DataGuard guard;
    node_.GetList(which) = std::move(fresh);
}

SessionExchange::InUseHold::InUseHold(SessionExchange& x) : x_(x) {
    x_.s_.SetInUse(true);
}

SessionExchange::InUseHold::~InUseHold() {
    x_.s_.SetInUse(false);
}

SessionExchange::PollingHold::PollingHold(SessionExchange& x, bool adopt) : x_(x) {
    if (!adopt)
        x_.s_.AddDisplayPollingCount(-1);
}

SessionExchange::PollingHold::~PollingHold() {
    x_.s_.AddDisplayPollingCount(1);
}

SessionExchange::TransferBracket::TransferBracket(SessionExchange& x, bool joinLines)
    : x_(x), inUse_(x), polling_(x), use_(x), joinLines_(joinLines) {
    if (joinLines_ && x_.GetStream())
        x_.GetStream()->SetMultiLine(true);
}

SessionExchange::TransferBracket::~TransferBracket() {
    if (joinLines_ && x_.GetStream())
        x_.GetStream()->SetMultiLine(false);
}

}  // namespace talven
