#pragma once
// A small window per connected instrument, standing in for the front panel: the node's connection
// state, its display texts and status lights as the session last read them. Opening it starts the
// connection (through the node's OpenFrontPanel), closing it posts the disconnect. It draws only
// from the session's snapshot and never touches the link.

#include <QWidget>

#include <cstdint>
#include <map>
#include <memory>

#include "gui/QtPlatform.h"
#include "session/SessionEnvironment.h"

class QLabel;

namespace talven {
class CInstrumentConnectedNode;
}

namespace talven::gui {

class ConnectionWindowHost;

class ConnectionWindow : public QWidget, public NotificationSink {
    Q_OBJECT
  public:
    ConnectionWindow(CInstrumentConnectedNode& node, ConnectionWindowHost& host, QtNotifier& notifier);
    ~ConnectionWindow() override;

    NotifyTarget target() const { return registration_.target(); }
    std::uint32_t nodeId() const { return nodeId_; }
    CInstrumentConnectedNode& node() const { return node_; }
    /// Redraws from the session's snapshot.
    void Refresh();
    void OnNotification(int code, std::uintptr_t wParam, std::intptr_t lParam) override;

    /// What the window shows, for tests: the state line and the display.
    QString StateText() const;
    QString DisplayText() const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    CInstrumentConnectedNode& node_;
    std::uint32_t nodeId_;
    ConnectionWindowHost& host_;
    NotificationRegistration registration_;
    QLabel* state_ = nullptr;
    QLabel* link_ = nullptr;
    QLabel* display_ = nullptr;
    QLabel* lights_ = nullptr;
};

/// Creates and destroys the connection windows for the sessions.
class ConnectionWindowHost : public FrontPanelHost {
  public:
    explicit ConnectionWindowHost(QtNotifier& notifier, QWidget* owner = nullptr);
    ~ConnectionWindowHost() override;

    NotifyTarget CreateFrontPanel(CInstrumentNode& node) override;
    void DestroyFrontPanel(CInstrumentNode& node, NotifyTarget panel) override;

    /// The main window heard that a node's session or link changed.
    void NodeChanged(std::uint32_t nodeId);
    /// Closes every window (exit): each posts its node's disconnect.
    void CloseAll();
    ConnectionWindow* WindowOf(std::uint32_t nodeId) const;
    /// The window closed (by the user or by the host): the session forgets it and disconnects.
    void Closed(ConnectionWindow& window);

  private:
    QtNotifier& notifier_;
    QWidget* owner_;
    std::map<std::uint32_t, ConnectionWindow*> windows_;
};

}  // namespace talven::gui
