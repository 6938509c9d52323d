#include "gui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QUrl>

#include "app/AppMessages.h"
#include "app/TalvenApp.h"
#include "foundation/DataLock.h"
#include "foundation/DateTime.h"
#include "foundation/Messages.h"
#include "gui/CalibratorWindows.h"
#include "gui/Dialogs.h"
#include "gui/DlogWindows.h"
#include "gui/GuiMessages.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "session/SessionEnvironment.h"
#include "transport/Connection.h"

namespace talven::gui {

namespace {

constexpr int kIdRole = Qt::UserRole + 1;
constexpr int kStateRefreshMs = 500;
// The placement's show state, as the window program has always stored it.
constexpr std::uint32_t kShowNormal = 1;
constexpr std::uint32_t kShowMaximized = 3;

QString Text(int id) {
    return ToQt(std::string(MessageText(id)));
}

// Where the window keeps what is its own (bars, background colour); the options value is the
// application's.
constexpr const char* kOrganization = "OrvaneVamir";
constexpr const char* kApplication = "TALVEN";

QIcon IconOf(MainCommand command, const QStyle& style) {
    switch (command) {
        case MainCommand::kNew:
            return style.standardIcon(QStyle::SP_FileIcon);
        case MainCommand::kOpen:
            return style.standardIcon(QStyle::SP_DialogOpenButton);
        case MainCommand::kSave:
            return style.standardIcon(QStyle::SP_DialogSaveButton);
        case MainCommand::kConnect:
            return style.standardIcon(QStyle::SP_MediaPlay);
        case MainCommand::kNewSite:
            return style.standardIcon(QStyle::SP_DirIcon);
        case MainCommand::kNewInstrument:
            return style.standardIcon(QStyle::SP_ComputerIcon);
        case MainCommand::kProperties:
            return style.standardIcon(QStyle::SP_FileDialogDetailedView);
        case MainCommand::kDelete:
            return style.standardIcon(QStyle::SP_TrashIcon);
        case MainCommand::kManual:
            return style.standardIcon(QStyle::SP_MessageBoxQuestion);
        default:
            return {};
    }
}

QIcon IconOf(TreeNodeKind kind, const QStyle& style) {
    switch (kind) {
        case TreeNodeKind::kSite:
            return style.standardIcon(QStyle::SP_DirIcon);
        case TreeNodeKind::kMultiplexor:
            return style.standardIcon(QStyle::SP_DriveNetIcon);
        default:
            return style.standardIcon(QStyle::SP_ComputerIcon);
    }
}

}  // namespace

MainWindow::MainWindow(CTALVENApp& app, CNetworkConfiguration& configuration, RecentFileList& recent,
                       QtNotifier& notifier)
    : app_(app),
      presenter_(app, configuration, recent, *this),
      registration_(notifier, this),
      host_(&app) {
    setObjectName("MainWindow");
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateTree();
    ready_ = new QLabel(Text(msg::kReady));
    statusBar()->addWidget(ready_, 1);
    ApplyBackgroundColor();
    RestorePlacement();

    displayTimer_ = new QTimer(this);
    displayTimer_->setInterval(MainWindowPresenter::kDisplayTickMs);
    connect(displayTimer_, &QTimer::timeout, this, [this] { presenter_.DisplayTick(); });
    idleTimer_ = new QTimer(this);
    idleTimer_->setInterval(MainWindowPresenter::kIdleCheckMs);
    connect(idleTimer_, &QTimer::timeout, this, [this] { presenter_.IdleCheck(DateTime::Now()); });
    idleTimer_->start();
    // Other windows mark the configuration modified too: the title follows within half a second.
    stateTimer_ = new QTimer(this);
    stateTimer_->setInterval(kStateRefreshMs);
    connect(stateTimer_, &QTimer::timeout, this, &MainWindow::RefreshCommands);
    stateTimer_->start();

    SetSessionMainWindow(target());
    SetConnectionLostTarget(target());
    SetFrontPanelHost(&host_);
    // The windows a front panel opens belong to the main window: they stay while their panel
    // closes, so that configurations can be edited without a connection.
    host_.SetWindowHandler(PanelWindow::kInstrumentInformation,
                           [this](QWidget*, CInstrumentNode& node) { gui::ShowInstrumentInformation(this, node); });
    host_.SetWindowHandler(PanelWindow::kDlogConfiguration, [this](QWidget*, CInstrumentNode& node) {
        if (auto* connected = dynamic_cast<CInstrumentConnectedNode*>(&node))
            OpenDlogConfigurationWindow(this, *connected);
    });
    host_.SetWindowHandler(PanelWindow::kSequenceConfiguration, [this](QWidget*, CInstrumentNode& node) {
        if (auto* connected = dynamic_cast<CInstrumentConnectedNode*>(&node))
            OpenSequenceWindow(this, *connected);
    });
    host_.SetWindowHandler(PanelWindow::kLevelTable, [this](QWidget*, CInstrumentNode& node) {
        if (auto* connected = dynamic_cast<CInstrumentConnectedNode*>(&node))
            OpenLevelWindow(this, *connected);
    });
}

MainWindow::~MainWindow() {
    CloseWindowsOf(nullptr);
    CloseAllPanels();
    SetFrontPanelHost(nullptr);
    if (GetSessionMainWindow() == target())
        SetSessionMainWindow(0);
    if (GetConnectionLostTarget() == target())
        SetConnectionLostTarget(0);
}

void MainWindow::Startup() {
    presenter_.Startup();
    ApplyOptions();
}

void MainWindow::ShowConfiguration() {
    presenter_.ConfigurationReplaced();
    ApplyOptions();
}

// --- Building the window --------------------------------------------------------------------------

void MainWindow::CreateActions() {
    for (const MainCommandInfo& info : MainCommands()) {
        auto* action = new QAction(ToQt(info.text), this);
        if (*info.accelerator)
            action->setShortcut(QKeySequence(ToQt(info.accelerator)));
        if (info.promptId != 0) {
            action->setStatusTip(ToQt(StatusPromptOf(info.promptId)));
            action->setToolTip(ToQt(ToolTipOf(info.promptId)));
        }
        action->setIcon(IconOf(info.command, *style()));
        action->setIconVisibleInMenu(false);
        const MainCommand command = info.command;
        connect(action, &QAction::triggered, this, [this, command] { Run(command); });
        actions_[command] = action;
        addAction(action);  // accelerators work wherever the focus is in the window
    }
    for (MainCommand toggle : {MainCommand::kToggleToolbar, MainCommand::kToggleStatusBar})
        actions_[toggle]->setCheckable(true);
}

void MainWindow::CreateMenus() {
    const std::pair<MainMenu, const char*> menus[] = {{MainMenu::kFile, "&File"},
                                                      {MainMenu::kEdit, "&Edit"},
                                                      {MainMenu::kView, "&View"},
                                                      {MainMenu::kSettings, "&Settings"},
                                                      {MainMenu::kHelp, "&Help"}};
    for (const auto& [which, title] : menus) {
        QMenu* menu = menuBar()->addMenu(title);
        if (which == MainMenu::kFile)
            fileMenu_ = menu;
        for (const MainCommandInfo& info : MainCommands()) {
            if (info.menu != which)
                continue;
            if (info.command == MainCommand::kExit) {
                // The recent files stand between Connect and Exit, each group apart.
                menu->addSeparator();
                recentSeparator_ = menu->addSeparator();
            }
            if (info.command == MainCommand::kModems || info.command == MainCommand::kBackgroundColor ||
                info.command == MainCommand::kManual)
                menu->addSeparator();
            menu->addAction(actions_[info.command]);
        }
    }
    RebuildRecentFiles();
}

void MainWindow::CreateToolBar() {
    toolBar_ = addToolBar("Toolbar");
    toolBar_->setObjectName("Toolbar");
    toolBar_->setMovable(false);
    toolBar_->setIconSize(QSize(20, 20));
    for (MainCommand c : {MainCommand::kNew, MainCommand::kOpen, MainCommand::kSave})
        toolBar_->addAction(actions_[c]);
    toolBar_->addSeparator();
    toolBar_->addAction(actions_[MainCommand::kConnect]);
    toolBar_->addSeparator();
    for (MainCommand c :
         {MainCommand::kNewSite, MainCommand::kNewInstrument, MainCommand::kProperties, MainCommand::kDelete})
        toolBar_->addAction(actions_[c]);
    toolBar_->addSeparator();
    toolBar_->addAction(actions_[MainCommand::kManual]);

    QSettings settings(kOrganization, kApplication);
    const bool toolbar = settings.value("MainWindow/Toolbar", true).toBool();
    const bool statusbar = settings.value("MainWindow/StatusBar", true).toBool();
    toolBar_->setVisible(toolbar);
    statusBar()->setVisible(statusbar);
    actions_[MainCommand::kToggleToolbar]->setChecked(toolbar);
    actions_[MainCommand::kToggleStatusBar]->setChecked(statusbar);
}

void MainWindow::CreateTree() {
    tree_ = new QTreeWidget(this);
    tree_->setObjectName("NetworkTree");
    tree_->setHeaderHidden(true);
    tree_->setAccessibleName(Text(msg::kNetworkTreeName));
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    tree_->setUniformRowHeights(true);
    tree_->setIconSize(QSize(16, 16));
    setCentralWidget(tree_);
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (!rebuilding_)
            presenter_.Select(IdOf(current));
    });
    connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (!rebuilding_)
            presenter_.SetExpanded(IdOf(item), true);
    });
    connect(tree_, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        if (!rebuilding_)
            presenter_.SetExpanded(IdOf(item), false);
    });
    connect(tree_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
        if (rebuilding_)
            return;
        if (item->checkState(0) == Qt::Checked)
            checked_.insert(IdOf(item));
        else
            checked_.erase(IdOf(item));
    });
    connect(tree_, &QTreeWidget::customContextMenuRequested, this, &MainWindow::ShowContextMenu);
    tree_->setFocus();
}

// --- Commands -------------------------------------------------------------------------------------

QAction* MainWindow::action(MainCommand command) const {
    auto found = actions_.find(command);
    return found == actions_.end() ? nullptr : found->second;
}

void MainWindow::Run(MainCommand command) {
    switch (command) {
        case MainCommand::kExit:
            close();
            return;
        case MainCommand::kToggleToolbar:
            toolBar_->setVisible(actions_[command]->isChecked());
            SaveBars();
            return;
        case MainCommand::kToggleStatusBar:
            statusBar()->setVisible(actions_[command]->isChecked());
            SaveBars();
            return;
        case MainCommand::kBackgroundColor:
            ChooseBackgroundColor();
            return;
        case MainCommand::kAbout:
            ShowAbout();
            return;
        default:
            presenter_.Execute(command);
            RefreshCommands();
    }
}

void MainWindow::RefreshCommands() {
    const QString title = ToQt(presenter_.Title());
    if (windowTitle() != title)
        setWindowTitle(title);
    for (const auto& [command, action] : actions_)
        action->setEnabled(presenter_.IsEnabled(command));
    RebuildRecentFiles();
}

void MainWindow::RebuildRecentFiles() {
    const std::vector<std::string> entries = presenter_.RecentFiles();
    const bool enabled = !presenter_.AnyInstrumentBusy();
    if (entries != shownRecent_ || recentActions_.empty()) {
        for (QAction* old : recentActions_) {
            fileMenu_->removeAction(old);
            old->deleteLater();
        }
        recentActions_.clear();
        shownRecent_ = entries;
        if (entries.empty()) {
            auto* none = new QAction(Text(msg::kNoRecentFiles), this);
            none->setEnabled(false);
            recentActions_.push_back(none);
        }
        for (std::size_t i = 0; i < entries.size(); ++i) {
            // "&1" to "&9", then "1&0": each entry has its own key.
            const QString number = i < 9 ? QString("&%1").arg(i + 1) : QString("1&0");
            const QString path = QDir::toNativeSeparators(ToQt(entries[i]));
            auto* open = new QAction(number + " " + QString(path).replace('&', "&&"), this);
            open->setStatusTip(Text(msg::kPromptOpenRecent) + ": " + path);
            connect(open, &QAction::triggered, this, [this, i] {
                presenter_.OpenRecent(i);
                RefreshCommands();
            });
            recentActions_.push_back(open);
        }
        fileMenu_->insertActions(recentSeparator_,
                                 QList<QAction*>(recentActions_.begin(), recentActions_.end()));
    }
    if (!entries.empty())
        for (QAction* open : recentActions_)
            open->setEnabled(enabled);
}

QMenu* MainWindow::contextMenuFor(std::uint32_t nodeId) {
    if (QTreeWidgetItem* item = ItemOf(nodeId))
        tree_->setCurrentItem(item);
    else
        tree_->setCurrentItem(nullptr);
    presenter_.Select(nodeId);
    if (contextMenu_ == nullptr)
        contextMenu_ = new QMenu(this);
    contextMenu_->clear();
    for (const MainCommandInfo& info : MainCommands()) {
        if (!info.inContextMenu || !presenter_.AppliesToSelection(info.command))
            continue;
        if (info.command == MainCommand::kBackgroundColor ||
            info.command == MainCommand::kInstrumentInformation)
            contextMenu_->addSeparator();
        contextMenu_->addAction(actions_[info.command]);
    }
    return contextMenu_;
}

void MainWindow::ShowContextMenu(const QPoint& position) {
    QTreeWidgetItem* item = tree_->itemAt(position);
    QMenu* menu = contextMenuFor(IdOf(item));
    menu->popup(tree_->viewport()->mapToGlobal(position));
}

// --- The tree -------------------------------------------------------------------------------------

std::uint32_t MainWindow::IdOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kIdRole).toUInt() : 0;
}

QTreeWidgetItem* MainWindow::ItemOf(std::uint32_t id) const {
    if (id == 0)
        return nullptr;
    for (QTreeWidgetItemIterator it(tree_); *it; ++it)
        if (IdOf(*it) == id)
            return *it;
    return nullptr;
}

void MainWindow::DrawItem(QTreeWidgetItem& item, const TreeItem& entry, bool checkBoxes) const {
    item.setText(0, ToQt(entry.text));
    item.setData(0, kIdRole, entry.id);
    item.setIcon(0, IconOf(entry.kind, *style()));
    QFont font = item.font(0);
    font.setBold(entry.connected);
    item.setFont(0, font);
    if (checkBoxes) {
        item.setFlags(item.flags() | Qt::ItemIsUserCheckable);
        item.setCheckState(0, checked_.count(entry.id) ? Qt::Checked : Qt::Unchecked);
    } else {
        item.setFlags(item.flags() & ~Qt::ItemIsUserCheckable);
        item.setData(0, Qt::CheckStateRole, QVariant());
    }
}

void MainWindow::RefreshTree(std::uint32_t selectId) {
    const std::uint32_t keep = selectId != 0 ? selectId : presenter_.GetSelectedId();
    const bool checkBoxes = app_.GetOptions().checkBoxesInTrees;
    const std::vector<TreeItem> entries = presenter_.TreeItems();
    std::vector<std::pair<std::uint32_t, std::uint32_t>> structure;
    for (const TreeItem& entry : entries)
        structure.emplace_back(entry.id, entry.parentItem);
    rebuilding_ = true;
    std::vector<std::pair<QTreeWidgetItem*, bool>> expansions;
    if (structure == shownStructure_) {
        // The same nodes in the same places (a connection came or went, a name changed): the items
        // are redrawn where they are, so the view does not jump.
        QTreeWidgetItemIterator it(tree_);
        for (const TreeItem& entry : entries) {
            DrawItem(**it, entry, checkBoxes);
            (*it)->setExpanded(entry.expanded);
            expansions.emplace_back(*it, entry.expanded);
            ++it;
        }
    } else {
        tree_->clear();
        std::map<std::uint32_t, QTreeWidgetItem*> made;
        for (const TreeItem& entry : entries) {
            auto parent = made.find(entry.parentItem);
            auto* item = parent == made.end() ? new QTreeWidgetItem(tree_) : new QTreeWidgetItem(parent->second);
            DrawItem(*item, entry, checkBoxes);
            made[entry.id] = item;
            expansions.emplace_back(item, entry.expanded);
        }
        // Children exist before a node is expanded, or Qt would have nothing to show under it.
        for (const auto& [item, expanded] : expansions)
            item->setExpanded(expanded);
        shownStructure_ = std::move(structure);
    }
    QTreeWidgetItem* current = ItemOf(keep);
    if (tree_->currentItem() != current)
        tree_->setCurrentItem(current);
    if (current != nullptr)
        tree_->scrollToItem(current);
    rebuilding_ = false;
    // Showing the selected node opens the nodes above it, as the user would have: they are kept.
    for (const auto& [item, expanded] : expansions)
        if (item->isExpanded() != expanded)
            presenter_.SetExpanded(IdOf(item), item->isExpanded());
    if (IdOf(current) != presenter_.GetSelectedId())
        presenter_.Select(IdOf(current));
}

// --- View services for the presenter -----------------------------------------------------------------

void MainWindow::ApplyOptions() {
    if (presenter_.PeriodicUpdateOn()) {
        if (!displayTimer_->isActive())
            displayTimer_->start();
    } else {
        displayTimer_->stop();
    }
    RefreshTree(0);
    RefreshCommands();
}

bool MainWindow::EditNodeProperties(CTreeNode& node) {
    return ShowNodeProperties(this, node);
}

bool MainWindow::EditOptions(bool busy) {
    return ShowOptionsDialog(this, app_, busy);
}

void MainWindow::EditModems() {
    ShowModemsDialog(this);
}

void MainWindow::ShowInstrumentInformation(CInstrumentNode& node) {
    gui::ShowInstrumentInformation(this, node);
}

bool MainWindow::OpenDocument(const std::string& fileName) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(ToQt(fileName)));
}

std::string MainWindow::ProgramDirectory() const {
    return FromQt(QCoreApplication::applicationDirPath());
}

bool MainWindow::ConnectInstrument(CInstrumentNode& node) {
    return host_.Connect(node);
}

void MainWindow::CloseWindowsOf(const CInstrumentNode* node) {
    if (node != nullptr) {
        ForgetDlogWindowsOf(*node);
        CloseCalibratorWindows(node);
        return;
    }
    std::vector<const CInstrumentNode*> instruments;
    {
        DataGuard guard;
        for (const CNamedObjectList* list : {&presenter_.Configuration().Lists().connectedInstruments,
                                             &presenter_.Configuration().Lists().multiplexorInstruments})
            for (const auto& object : *list)
                instruments.push_back(static_cast<const CInstrumentNode*>(object.get()));
    }
    for (const CInstrumentNode* instrument : instruments)
        ForgetDlogWindowsOf(*instrument);
    CloseCalibratorWindows(nullptr);
}

void MainWindow::CloseAllPanels() {
    for (FrontPanelWindow* panel : host_.Panels())
        panel->CloseWithoutAsking();
}

void MainWindow::OnNotification(int code, std::uintptr_t wParam, std::intptr_t lParam) {
    presenter_.OnNotification(code, wParam, lParam);
}

// --- Background, about, placement -----------------------------------------------------------------

void MainWindow::ChooseBackgroundColor() {
    const QColor current = tree_->palette().color(QPalette::Base);
    const QColor chosen = QColorDialog::getColor(current, this);
    if (!chosen.isValid())
        return;
    QSettings(kOrganization, kApplication).setValue("MainWindow/BackgroundColor", chosen.name());
    ApplyBackgroundColor();
}

void MainWindow::ApplyBackgroundColor() {
    const QColor color(QSettings(kOrganization, kApplication).value("MainWindow/BackgroundColor").toString());
    QPalette palette = tree_->palette();
    palette.setColor(QPalette::Base, color.isValid() ? color : QApplication::palette().color(QPalette::Base));
    tree_->setPalette(palette);
}

void MainWindow::ShowAbout() {
    QMessageBox::about(
        this, Text(msg::kAboutCaption),
        ToQt(FormatMessage(msg::kAboutText, QCoreApplication::applicationVersion().toStdString())));
}

void MainWindow::RestorePlacement() {
    const WindowPlacement place = app_.GetOptions().placements[kPlaceMainWindow];
    const QRect rect(QPoint(place.left, place.top), QPoint(place.right - 1, place.bottom - 1));
    bool onScreen = false;
    for (const QScreen* screen : QApplication::screens())
        onScreen |= screen->availableGeometry().intersects(rect);
    if (place.valid && onScreen && rect.width() >= 200 && rect.height() >= 150) {
        setGeometry(rect);
        if (place.showState == kShowMaximized)
            setWindowState(windowState() | Qt::WindowMaximized);
    } else {
        resize(560, 440);
    }
}

void MainWindow::SavePlacement() {
    Options options = app_.GetOptions();
    const QRect rect = isMaximized() ? normalGeometry() : geometry();
    WindowPlacement& place = options.placements[kPlaceMainWindow];
    place.valid = true;
    place.left = rect.left();
    place.top = rect.top();
    place.right = rect.left() + rect.width();
    place.bottom = rect.top() + rect.height();
    place.showState = isMaximized() ? kShowMaximized : kShowNormal;
    app_.SetOptions(options);
}

void MainWindow::SaveBars() {
    QSettings settings(kOrganization, kApplication);
    settings.setValue("MainWindow/Toolbar", actions_[MainCommand::kToggleToolbar]->isChecked());
    settings.setValue("MainWindow/StatusBar", actions_[MainCommand::kToggleStatusBar]->isChecked());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!exitConfirmed_ && !presenter_.QueryExit()) {
        event->ignore();
        return;
    }
    exitConfirmed_ = true;
    displayTimer_->stop();
    idleTimer_->stop();
    stateTimer_->stop();
    CloseAllPanels();
    SavePlacement();
    event->accept();
}

}  // namespace talven::gui
