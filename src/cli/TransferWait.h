#pragma once
// Running one of the worker's transfer requests to its end from the command line: the requests
// report their outcome by notification, which the command's notifier keeps per target (collect
// runs one target per instrument) while the console shows their progress.

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "cli/Console.h"
#include "foundation/Notifier.h"

namespace talven {
class CInstrumentSession;
class CThreadMessage;
}  // namespace talven

namespace talven::cli {

/// The target the command's requests report to.
constexpr NotifyTarget kCommandWindow = 1;

/// The program's notifier while a command runs: keeps each target's notifications except the
/// progress steps, and passes every one to the console. Installed for its lifetime.
class CommandNotifier : public Notifier {
  public:
    explicit CommandNotifier(Console& console = CommandConsole());
    ~CommandNotifier() override;
    CommandNotifier(const CommandNotifier&) = delete;
    CommandNotifier& operator=(const CommandNotifier&) = delete;

    void Post(NotifyTarget target, int code, std::uintptr_t wParam, std::intptr_t lParam) override;
    /// What target's requests reported since the last Clear of target, in order.
    std::vector<int> Codes(NotifyTarget target) const;
    void Clear(NotifyTarget target);
    Console& console() { return console_; }

  private:
    Console& console_;
    mutable std::mutex mutex_;
    std::map<NotifyTarget, std::vector<int>> codes_;
};

/// Posts the request (made to report to target), waits for the worker to finish it and tells
/// whether successCode (and not failureCode) was reported for it. status: the console's text
/// for a step-counted transfer.
bool RunTransfer(CInstrumentSession& session, CommandNotifier& notes, std::unique_ptr<CThreadMessage> request,
                 int successCode, int failureCode, const std::string& status = {},
                 NotifyTarget target = kCommandWindow);

}  // namespace talven::cli
