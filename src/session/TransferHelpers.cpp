// Helpers of the long transfers: scripts sent with their confirmation, raw line reads.

#include <chrono>
#include <thread>

#include "foundation/DataLock.h"
#include "foundation/Log.h"
#include "session/InstrumentSession.h"
#include "session/SessionExchange.h"

namespace talven {

bool SessionExchange::SendPlainText(std::string_view text) {
    return SendText(text, false);
}

void SessionExchange::TransmitDelay() {
    const std::uint32_t delay = node_.GetSettings().transmitDelayMs;
    if (delay > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
}

std::string CInstrumentSession::GetLastRefusal() const {
    DataGuard guard;
    return lastRefusal_;
}

bool SessionExchange::AwaitConfirmation(int confirmationPhrase) {
    if (!stream_)
        return false;
    const int previous = stream_->SetReceiveTimeout(kConfirmationTimeoutMs);
    const bool joined = stream_->GetMultiLine();
    stream_->SetMultiLine(false);
    stream_->StartNewLine();
    const bool ok = stream_->NextToken() == confirmationPhrase;
    std::string refusal = ok ? std::string() : stream_->LineText();
    while (!refusal.empty() && (refusal.back() == '\r' || refusal.back() == '\n' || refusal.back() == ' '))
        refusal.pop_back();
    {
        DataGuard guard;
        s_.lastRefusal_ = std::move(refusal);
    }
    stream_->SetMultiLine(joined);
    stream_->SetReceiveTimeout(previous);
    return ok;
}

bool SessionExchange::SendScript(std::string_view script, int confirmationPhrase, NotifyTarget window) {
    std::vector<std::string_view> pieces;
    for (std::size_t start = 0; start < script.size();) {
        const std::size_t lf = script.find('\n', start);
        const std::size_t end = lf == std::string_view::npos ? script.size() : lf + 1;
        pieces.push_back(script.substr(start, end - start));
        start = end;
    }
    std::size_t lineFeeds = 0;
    for (char c : script)
        lineFeeds += c == '\n' ? 1 : 0;
    PostToWindow(window, wm::kTransferStart, lineFeeds);
    s_.FlushInput();
    for (std::string_view piece : pieces) {
        if (!SendText(piece, false))
            return false;
        PostToWindow(window, wm::kTransferStep);
        TransmitDelay();
    }
    return AwaitConfirmation(confirmationPhrase);
}

std::string SessionExchange::ReadRawLine(int timeoutMs, std::size_t maxBytes) {
    if (!s_.IsConnected() || maxBytes == 0)
        return std::string();
    std::string line(maxBytes, '\0');
    const int n = s_.GetConnection()->Read(line.data(), static_cast<int>(maxBytes), timeoutMs, '\n', true);
    line.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    if (!line.empty())
        Log(kLogResponse, line);
    return line;
}

}  // namespace talven
