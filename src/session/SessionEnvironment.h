#pragma once
// What the session needs from the layers above it: the main window that hears about sessions and
// connections, the front panel windows, the application options it reads, and the state that the
// DLOG and calibrator layers reset when a session starts or ends. The application installs these
// at start-up; tests install their own.

#include <cstdint>

#include "foundation/Notifier.h"

namespace talven {

class CInstrumentNode;

/// Options of the application that the session reads. Any thread.
struct SessionOptions {
    /// Seconds between two periodic front panel polls (1..60).
    std::uint32_t frontPanelIntervalSeconds = 5;
};
void SetSessionOptions(const SessionOptions& options);
SessionOptions GetSessionOptions();

/// The window that receives 1026 (session open changed) and 1027 (connection changed).
void SetSessionMainWindow(NotifyTarget target);
NotifyTarget GetSessionMainWindow();

/// Creates and destroys front panel windows. Called on the user-interface thread.
class FrontPanelHost {
  public:
    virtual ~FrontPanelHost() = default;
    /// Creates the node's front panel (modeless) and returns its handle.
    virtual NotifyTarget CreateFrontPanel(CInstrumentNode& node) = 0;
    /// Destroys it; destroying a front panel posts the node's disconnect.
    virtual void DestroyFrontPanel(CInstrumentNode& node, NotifyTarget panel) = 0;
};
/// Null: no windows (the command line); the node's front panel stays as set.
void SetFrontPanelHost(FrontPanelHost* host);
FrontPanelHost* GetFrontPanelHost();

/// Hears about session starts and ends, on the worker. OnSessionReset and OnSessionClosing are
/// called with the data lock held: keep them short and touch no link.
class SessionObserver {
  public:
    virtual ~SessionObserver() = default;
    /// The connect exchange starts learning the instrument afresh: clear the DLOG and sequence
    /// configuration modified marks and the record download set counter.
    virtual void OnSessionReset(CInstrumentNode& /*node*/) {}
    /// The disconnect exchange begins: discard downloaded records, clear the modified marks.
    virtual void OnSessionClosing(CInstrumentNode& /*node*/) {}
    /// The number of open sessions changed (the application recounts).
    virtual void OnOpenSessionsChanged(int /*openSessions*/) {}
};
void AddSessionObserver(SessionObserver* observer);
void RemoveSessionObserver(SessionObserver* observer);

/// Sessions open right now, across all instruments.
int GetOpenSessionCount();

}  // namespace talven
