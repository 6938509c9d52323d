#pragma once
// Creates and destroys the front panel windows for the session: one panel per instrument, as many
// instruments at once as the user connects. The window program installs it with
// SetFrontPanelHost. Window thread only.

#include <QPointer>
#include <QRect>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "app/FrontPanelPresenter.h"
#include "gui/FrontPanelWindow.h"
#include "session/SessionEnvironment.h"

class QWidget;

namespace talven {
class CInstrumentNode;
class CInstrumentSession;
class CTALVENApp;
}  // namespace talven

namespace talven::gui {

class QtFrontPanelHost : public FrontPanelHost {
  public:
    /// With an application, the place of the last panel closed is kept in its options.
    explicit QtFrontPanelHost(CTALVENApp* app = nullptr);
    /// Closes every panel left (each disconnects its instrument).
    ~QtFrontPanelHost() override;
    QtFrontPanelHost(const QtFrontPanelHost&) = delete;
    QtFrontPanelHost& operator=(const QtFrontPanelHost&) = delete;

    NotifyTarget CreateFrontPanel(CInstrumentNode& node) override;
    void DestroyFrontPanel(CInstrumentNode& node, NotifyTarget panel) override;

    /// The Connect command: brings the node's panel forward when it has one, then opens the front
    /// panel (which connects, or does nothing more while connected). False when the node cannot be
    /// connected (the user has been told).
    bool Connect(CInstrumentNode& node);

    FrontPanelWindow* PanelOf(std::uint32_t nodeId) const;
    std::vector<FrontPanelWindow*> Panels() const;

    /// Runs one of the instrument's windows for a panel. Until the DLOG, sequence and level table
    /// windows are installed here, their entries say the window is not available; the instrument
    /// information is listed in a message box.
    using WindowHandler = std::function<void(QWidget* parent, CInstrumentNode& node)>;
    void SetWindowHandler(PanelWindow window, WindowHandler handler);
    void RunWindow(PanelWindow window, QWidget* parent, std::uint32_t nodeId, CInstrumentNode* createdFor);

    /// The size new panels take; changing it in one panel changes it for the next ones.
    PanelSize GetPanelSize() const { return size_; }
    void SetPanelSize(PanelSize size) { size_ = size; }

    /// Remembers where a panel was for the next one.
    void RememberPlacement(const QRect& frame);

    /// The node of a panel, found by its id in the current network configuration (a node deleted
    /// or replaced by a load gives null); without a configuration, the node the panel was made for.
    static CInstrumentNode* NodeOf(std::uint32_t nodeId, CInstrumentNode* createdFor);
    static CInstrumentSession* SessionOf(std::uint32_t nodeId, CInstrumentNode* createdFor);

  private:
    void Place(FrontPanelWindow& window) const;

    CTALVENApp* app_;
    std::map<std::uint32_t, QPointer<FrontPanelWindow>> panels_;
    std::map<PanelWindow, WindowHandler> handlers_;
    PanelSize size_ = PanelSize::kStandard;
    QRect lastPlacement_;
};

}  // namespace talven::gui
