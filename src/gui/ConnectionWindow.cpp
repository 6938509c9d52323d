#include "gui/ConnectionWindow.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFont>
#include <QFontDatabase>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "foundation/Messages.h"
#include "gui/GuiMessages.h"
#include "network/InstrumentNode.h"
#include "session/InstrumentSession.h"
#include "transport/CommPortConnection.h"
#include "transport/ModemConnection.h"
#include "transport/TCPConnection.h"

namespace talven::gui {

namespace {

constexpr int kDisplayColumns = 40;

QString Text(int id) {
    return ToQt(std::string(MessageText(id)));
}

std::string DescribeLink(const CConnection* link) {
    if (auto* modem = dynamic_cast<const CModemConnection*>(link))
        return "Hayes modem on " + modem->GetPortName() + ", dialling " + modem->GetTelephoneNumber();
    if (auto* serial = dynamic_cast<const CCommPortConnection*>(link))
        return "Serial port " + serial->GetPortName() + ", " + std::to_string(serial->GetBaudRate()) +
               " baud";
    if (auto* tcp = dynamic_cast<const CTCPConnection*>(link))
        return "TCP " + tcp->GetHost() + ":" + std::to_string(tcp->GetPort());
    return link ? link->GetRuntimeClass() : "";
}

QString StateOf(const SessionSnapshot& s, bool worker) {
    if (s.connected && s.sessionOpen)
        return Text(s.modelName.empty() ? msg::kStateIdentifying : msg::kStateConnected);
    if (s.connected)
        return Text(msg::kStateClosing);
    return Text(worker ? msg::kStateConnecting : msg::kStateNotConnected);
}

QString LightsOf(const SessionSnapshot& s) {
    QStringList lights;
    for (std::size_t i = 0; i < s.lightNames.size(); ++i) {
        if (s.lightNames[i].empty())
            continue;
        const int state = s.lightStates[i];
        const int word = state == 0 ? msg::kLightOff : state == 1 ? msg::kLightOn : msg::kLightBlinking;
        lights << ToQt(s.lightNames[i]) + ": " + Text(word);
    }
    return lights.isEmpty() ? Text(msg::kNoLights) : lights.join("   ");
}

}  // namespace

ConnectionWindow::ConnectionWindow(CInstrumentConnectedNode& node, ConnectionWindowHost& host,
                                   QtNotifier& notifier)
    : node_(node), nodeId_(node.GetId()), host_(host), registration_(notifier, this) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(ToQt(FormatMessage(msg::kConnectionTitle, node.GetName())));

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    auto* name = new QLabel(ToQt(node.GetName()));
    link_ = new QLabel;
    state_ = new QLabel;
    display_ = new QLabel;
    display_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    display_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    display_->setFrameShape(QFrame::StyledPanel);
    display_->setMinimumWidth(display_->fontMetrics().horizontalAdvance(QString(kDisplayColumns, 'M')) + 16);
    display_->setMinimumHeight(display_->fontMetrics().lineSpacing() * 2 + 12);
    lights_ = new QLabel;
    form->addRow(Text(msg::kConnectionInstrument), name);
    form->addRow(Text(msg::kConnectionLink), link_);
    form->addRow(Text(msg::kConnectionState), state_);
    form->addRow(Text(msg::kConnectionDisplay), display_);
    form->addRow(Text(msg::kConnectionLights), lights_);

    auto* buttons = new QDialogButtonBox;
    QPushButton* close = buttons->addButton(Text(msg::kButtonClose), QDialogButtonBox::RejectRole);
    close->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    Refresh();
}

ConnectionWindow::~ConnectionWindow() = default;

void ConnectionWindow::Refresh() {
    const CInstrumentSession* session = CInstrumentSession::Find(node_);
    const SessionSnapshot s = session ? session->Snapshot() : SessionSnapshot();
    link_->setText(ToQt(DescribeLink(node_.GetConnection())));
    state_->setText(StateOf(s, session && session->HasWorker()));
    // The display's lines come as one text; with attribute displays the other two texts hold one
    // attribute character per display character, which this window does not draw.
    QStringList lines;
    const QString text = ToQt(s.displayTexts[0]);
    for (qsizetype at = 0; at < text.size(); at += kDisplayColumns)
        lines << text.mid(at, kDisplayColumns);
    display_->setText(lines.join('\n'));
    lights_->setText(LightsOf(s));
}

void ConnectionWindow::OnNotification(int /*code*/, std::uintptr_t /*wParam*/, std::intptr_t /*lParam*/) {
    // Display texts, lights and the panel's layout all come down to a redraw from the snapshot.
    Refresh();
}

QString ConnectionWindow::StateText() const {
    return state_->text();
}

QString ConnectionWindow::DisplayText() const {
    return display_->text();
}

void ConnectionWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    host_.Closed(*this);
}

void ConnectionWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

// --- Host -----------------------------------------------------------------------------------------

ConnectionWindowHost::ConnectionWindowHost(QtNotifier& notifier, QWidget* owner)
    : notifier_(notifier), owner_(owner) {}

ConnectionWindowHost::~ConnectionWindowHost() {
    CloseAll();
}

NotifyTarget ConnectionWindowHost::CreateFrontPanel(CInstrumentNode& node) {
    auto* connected = dynamic_cast<CInstrumentConnectedNode*>(&node);
    if (connected == nullptr)
        return 0;
    if (ConnectionWindow* existing = WindowOf(node.GetId())) {
        existing->raise();
        return existing->target();
    }
    auto* window = new ConnectionWindow(*connected, *this, notifier_);
    if (owner_ != nullptr) {
        window->setParent(owner_, Qt::Window);
        // Beside the main window rather than on top of its tree.
        window->move(owner_->frameGeometry().topRight() + QPoint(16, 40 * static_cast<int>(windows_.size())));
    }
    windows_[node.GetId()] = window;
    window->show();
    return window->target();
}

void ConnectionWindowHost::DestroyFrontPanel(CInstrumentNode& node, NotifyTarget /*panel*/) {
    if (ConnectionWindow* window = WindowOf(node.GetId()))
        Closed(*window);
}

void ConnectionWindowHost::Closed(ConnectionWindow& window) {
    auto found = windows_.find(window.nodeId());
    if (found == windows_.end() || found->second != &window)
        return;
    windows_.erase(found);
    window.hide();
    window.deleteLater();
    // The window is no longer a front panel: the session forgets it and posts the disconnect.
    if (CInstrumentSession* session = CInstrumentSession::Find(window.node()))
        session->OnFrontPanelDestroyed();
}

void ConnectionWindowHost::NodeChanged(std::uint32_t nodeId) {
    if (ConnectionWindow* window = WindowOf(nodeId))
        window->Refresh();
}

void ConnectionWindowHost::CloseAll() {
    while (!windows_.empty())
        Closed(*windows_.begin()->second);
}

ConnectionWindow* ConnectionWindowHost::WindowOf(std::uint32_t nodeId) const {
    auto found = windows_.find(nodeId);
    return found == windows_.end() ? nullptr : found->second;
}

}  // namespace talven::gui
