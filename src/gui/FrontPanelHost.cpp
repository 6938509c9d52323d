#include "gui/FrontPanelHost.h"

#include <QWidget>

#include "app/FrontPanelMessages.h"
#include "app/TalvenApp.h"
#include "foundation/Messages.h"
#include "foundation/UserPrompt.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "session/InstrumentSession.h"

namespace talven::gui {

namespace {

/// Panels opened while another stands at the remembered place step down and right by this much.
constexpr int kCascadeStep = 28;

void ShowInformation(CInstrumentNode& node) {
    CInstrumentSession* session = CInstrumentSession::Find(node);
    if (session == nullptr)
        return;
    std::string text;
    for (const std::string& line : session->GetInformationLines())
        text += line + "\n";
    GetUserPrompt().MessageBox(text, FormatMessage(msg::kInstrumentInformationTitle),
                               mb::kOk | mb::kIconInformation);
}

void SayNotAvailable(int windowName) {
    GetUserPrompt().MessageBox(FormatMessage(msg::kWindowNotAvailable, FormatMessage(windowName)),
                               FormatMessage(msg::kApplicationTitle), mb::kOk | mb::kIconInformation);
}

}  // namespace

QtFrontPanelHost::QtFrontPanelHost(CTALVENApp* app) : app_(app) {
    if (app_ != nullptr) {
        const WindowPlacement placed = app_->GetOptions().placements[kPlaceFrontPanel];
        if (placed.valid)
            lastPlacement_ = QRect(QPoint(placed.left, placed.top), QPoint(placed.right, placed.bottom));
    }
}

QtFrontPanelHost::~QtFrontPanelHost() {
    for (FrontPanelWindow* window : Panels())
        delete window;
}

NotifyTarget QtFrontPanelHost::CreateFrontPanel(CInstrumentNode& node) {
    if (FrontPanelWindow* open = PanelOf(node.GetId())) {
        // The node forgot a panel that is still open: hand it back rather than make a second.
        return open->Target();
    }
    auto* window = new FrontPanelWindow(*this, node, size_);
    panels_[node.GetId()] = window;
    Place(*window);
    window->show();
    window->raise();
    window->activateWindow();
    return window->Target();
}

void QtFrontPanelHost::DestroyFrontPanel(CInstrumentNode& node, NotifyTarget panel) {
    FrontPanelWindow* window = PanelOf(node.GetId());
    if (window != nullptr && window->Target() == panel) {
        window->CloseWithoutAsking();
    } else if (CInstrumentSession* session = CInstrumentSession::Find(node)) {
        // No window of ours holds that handle any more: the node still forgets it and disconnects.
        session->OnFrontPanelDestroyed();
    }
}

bool QtFrontPanelHost::Connect(CInstrumentNode& node) {
    if (FrontPanelWindow* window = PanelOf(node.GetId())) {
        window->showNormal();
        window->raise();
        window->activateWindow();
    }
    return OpenFrontPanel(node);
}

FrontPanelWindow* QtFrontPanelHost::PanelOf(std::uint32_t nodeId) const {
    const auto it = panels_.find(nodeId);
    if (it == panels_.end() || it->second.isNull() || it->second->IsClosed())
        return nullptr;
    return it->second.data();
}

std::vector<FrontPanelWindow*> QtFrontPanelHost::Panels() const {
    std::vector<FrontPanelWindow*> open;
    for (const auto& [id, window] : panels_)
        if (!window.isNull() && !window->IsClosed())
            open.push_back(window.data());
    return open;
}

void QtFrontPanelHost::SetWindowHandler(PanelWindow window, WindowHandler handler) {
    handlers_[window] = std::move(handler);
}

void QtFrontPanelHost::RunWindow(PanelWindow window, QWidget* parent, std::uint32_t nodeId,
                                 CInstrumentNode* createdFor) {
    CInstrumentNode* node = NodeOf(nodeId, createdFor);
    if (node == nullptr)
        return;
    const auto it = handlers_.find(window);
    if (it != handlers_.end() && it->second) {
        it->second(parent, *node);
        return;
    }
    switch (window) {
    case PanelWindow::kInstrumentInformation: ShowInformation(*node); break;
    case PanelWindow::kDlogConfiguration: SayNotAvailable(msg::kDlogWindowName); break;
    case PanelWindow::kSequenceConfiguration: SayNotAvailable(msg::kSequenceWindowName); break;
    case PanelWindow::kLevelTable: SayNotAvailable(msg::kLevelTableWindowName); break;
    }
}

void QtFrontPanelHost::RememberPlacement(const QRect& frame) {
    lastPlacement_ = frame;
    if (app_ == nullptr)
        return;
    Options options = app_->GetOptions();
    WindowPlacement& placed = options.placements[kPlaceFrontPanel];
    placed.valid = true;
    placed.left = frame.left();
    placed.top = frame.top();
    placed.right = frame.right();
    placed.bottom = frame.bottom();
    app_->SetOptions(options);
}

void QtFrontPanelHost::Place(FrontPanelWindow& window) const {
    if (!lastPlacement_.isValid())
        return;
    QPoint where = lastPlacement_.topLeft();
    // Several panels at once: each new one steps off the ones already standing there.
    for (bool taken = true; taken;) {
        taken = false;
        for (FrontPanelWindow* other : Panels()) {
            if (other != &window && other->pos() == where) {
                where += QPoint(kCascadeStep, kCascadeStep);
                taken = true;
            }
        }
    }
    window.move(where);
}

CInstrumentNode* QtFrontPanelHost::NodeOf(std::uint32_t nodeId, CInstrumentNode* createdFor) {
    CNetworkConfiguration* configuration = GetCurrentNetworkConfiguration();
    if (configuration == nullptr)
        return createdFor;
    return dynamic_cast<CInstrumentNode*>(configuration->FindNode(nodeId));
}

CInstrumentSession* QtFrontPanelHost::SessionOf(std::uint32_t nodeId, CInstrumentNode* createdFor) {
    CInstrumentNode* node = NodeOf(nodeId, createdFor);
    return node != nullptr ? CInstrumentSession::Find(*node) : nullptr;
}

}  // namespace talven::gui
