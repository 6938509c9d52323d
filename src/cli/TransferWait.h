#pragma once
// Running one of the worker's transfer requests to its end from the command line: the requests
// report their outcome by notification, which a recorder installed for the command keeps.

#include <chrono>
#include <memory>

#include "foundation/Notifier.h"
#include "session/InstrumentSession.h"
#include "session/ThreadMessages.h"
#include "session/WaitForWorker.h"

namespace talven::cli {

/// The target the command's requests report to.
constexpr NotifyTarget kCommandWindow = 1;

/// Posts the request, waits for the worker to finish it and tells whether successCode (and not
/// failureCode) was reported for it.
inline bool RunTransfer(CInstrumentSession& session, RecordingNotifier& notes,
                        std::unique_ptr<CThreadMessage> request, int successCode, int failureCode) {
    notes.clear();
    if (!session.PostRequest(std::move(request)))
        return false;
    WaitForWorker(session, std::chrono::minutes(30));
    bool succeeded = false;
    for (const auto& entry : notes.entries()) {
        if (entry.target != kCommandWindow)
            continue;
        if (entry.code == failureCode)
            return false;
        succeeded = succeeded || entry.code == successCode;
    }
    return succeeded;
}

}  // namespace talven::cli
