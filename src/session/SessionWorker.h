#pragma once
// The worker of one instrument node: a thread that runs the node's requests one at a time, in the
// order they were posted. A stopped worker may still be finishing its request while the next one
// starts; the next waits for it to end before running anything, so requests never overlap.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "session/CommInterface.h"

namespace talven {

class SessionWorker {
  public:
    /// Requests a worker may hold; more are refused.
    static constexpr std::size_t kMaxQueuedRequests = 1000;

    SessionWorker() = default;
    /// Stops the worker and joins every thread it started.
    ~SessionWorker();
    SessionWorker(const SessionWorker&) = delete;
    SessionWorker& operator=(const SessionWorker&) = delete;

    /// Starts a thread when none is running; its log lines carry logSource. False when no thread
    /// could be had (logged).
    bool Start(const std::string& logSource);
    /// Queues the request; false (and the request deleted) when no thread runs or the queue is full.
    bool Post(std::unique_ptr<CThreadMessage> message);
    /// Stops the running thread after its current request; requests still queued are deleted
    /// unrun. Call under the data lock.
    void StopLocked();
    /// True while a thread runs that has not been told to stop.
    bool IsRunning() const;
    /// Joins threads that have ended.
    void JoinEnded();
    /// Stops and joins every thread (the session's end).
    void StopAndJoinAll();

  private:
    struct Thread;
    static void Run(std::shared_ptr<Thread> thread, std::shared_ptr<Thread> previous, std::string logSource);
    static void ExecuteGuarded(CThreadMessage& message);

    // Guarded by the data lock.
    std::shared_ptr<Thread> current_;
    std::vector<std::shared_ptr<Thread>> threads_;  // every thread not yet joined
};

}  // namespace talven
