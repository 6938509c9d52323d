#include "cli/TransferWait.h"

#include <algorithm>
#include <chrono>

#include "session/InstrumentSession.h"
#include "session/ThreadMessages.h"
#include "session/WaitForWorker.h"

namespace talven::cli {

CommandNotifier::CommandNotifier(Console& console) : console_(console) {
    SetNotifier(this);
}

CommandNotifier::~CommandNotifier() {
    SetNotifier(nullptr);
}

void CommandNotifier::Post(NotifyTarget target, int code, std::uintptr_t wParam, std::intptr_t lParam) {
    console_.Track(target, code, wParam, lParam);
    if (code == wm::kTransferStep)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    codes_[target].push_back(code);
}

std::vector<int> CommandNotifier::Codes(NotifyTarget target) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = codes_.find(target);
    return found == codes_.end() ? std::vector<int>{} : found->second;
}

void CommandNotifier::Clear(NotifyTarget target) {
    std::lock_guard<std::mutex> lock(mutex_);
    codes_.erase(target);
}

bool RunTransfer(CInstrumentSession& session, CommandNotifier& notes, std::unique_ptr<CThreadMessage> request,
                 int successCode, int failureCode, const std::string& status, NotifyTarget target) {
    notes.Clear(target);
    if (!status.empty())
        notes.console().SetStatus(target, status);
    if (!session.PostRequest(std::move(request)))
        return false;
    // The link's own time-outs end a transfer whose instrument falls silent.
    WaitForWorker(session, std::chrono::hours(24));
    const std::vector<int> codes = notes.Codes(target);
    return std::find(codes.begin(), codes.end(), failureCode) == codes.end() &&
           std::find(codes.begin(), codes.end(), successCode) != codes.end();
}

}  // namespace talven::cli
