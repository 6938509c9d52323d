#pragma once
// Requests for an instrument's worker and the interface through which windows reach that worker
// and the worker reaches the instrument's link.
//
// Threads: every connected instrument node has at most one worker thread at a time. Windows post
// requests (any thread); the worker runs them one at a time in posting order and deletes each after
// running it. Only the worker touches the link.

#include <memory>
#include <string_view>

namespace talven {

class CConnection;

/// A request run once on an instrument's worker. Requests are never stored.
class CThreadMessage {
  public:
    virtual ~CThreadMessage() = default;
    virtual const char* GetRuntimeClass() const = 0;
    /// Runs the request's exchange on the worker, without the data lock held.
    virtual void Execute() = 0;
};

class ICommInterface {
  public:
    virtual ~ICommInterface() = default;

    /// The node's link (never null).
    virtual CConnection* GetConnection() const = 0;
    /// Replaces the link, destroying the old one; refused (false) while the link is held open.
    virtual bool SetConnection(std::unique_ptr<CConnection> link) = 0;
    /// Starts a worker when none runs, then posts a connect request to it.
    virtual void PostConnect() = 0;
    /// Worker only: holds the link open once more, opening it on the first call. False when it
    /// could not be opened; the worker then ends after the current request.
    virtual bool OpenLink() = 0;
    /// Worker only: releases one hold (force: every hold) and closes the link with the last one;
    /// the worker then ends after the current request.
    virtual void CloseLink(bool force) = 0;
    virtual bool IsConnected() const = 0;
    virtual bool IsInUse() const = 0;
    virtual void SetInUse(bool inUse) = 0;
    /// Worker only: discards the link's pending input.
    virtual void FlushInput() = 0;
    /// Worker only: logs text as a command sent, then writes it; false when not connected or the
    /// write failed.
    virtual bool SendText(std::string_view text, bool flushFirst) = 0;
    /// Queues message for the worker. False, with the message deleted, when no worker runs.
    virtual bool PostRequest(std::unique_ptr<CThreadMessage> message) = 0;
};

}  // namespace talven
