#pragma once
// The main window: menus, accelerators, toolbar and status bar over the network tree. Its rules
// are MainWindowPresenter's; this class binds the widgets to it and draws. It receives the
// sessions' notifications (1026, 1027, 1028) and hosts the connection windows.

#include <QMainWindow>

#include <map>
#include <memory>
#include <set>
#include <vector>

#include "app/MainWindowPresenter.h"
#include "gui/FrontPanelHost.h"
#include "gui/QtPlatform.h"

class QAction;
class QLabel;
class QMenu;
class QTimer;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace talven {
class CTALVENApp;
class CNetworkConfiguration;
class RecentFileList;
}  // namespace talven

namespace talven::gui {

class MainWindow : public QMainWindow, public MainWindowView, public NotificationSink {
    Q_OBJECT
  public:
    /// Installs itself as the sessions' main window, the lost-link target and (through its host)
    /// the front panel host; the destructor takes all three back.
    MainWindow(CTALVENApp& app, CNetworkConfiguration& configuration, RecentFileList& recent,
               QtNotifier& notifier);
    ~MainWindow() override;

    /// Opens the start-up configuration (command line or last used), or a new one.
    void Startup();
    /// Shows a configuration filled from elsewhere (the demo network).
    void ShowConfiguration();

    MainWindowPresenter& presenter() { return presenter_; }
    QAction* action(MainCommand command) const;
    QTreeWidget* tree() const { return tree_; }
    QMenu* contextMenuFor(std::uint32_t nodeId);
    QtFrontPanelHost& panels() { return host_; }
    NotifyTarget target() const { return registration_.target(); }
    /// The recent-file entries of the File menu as shown.
    std::vector<QAction*> recentFileActions() const { return recentActions_; }

    // MainWindowView
    void RefreshTree(std::uint32_t selectId) override;
    void RefreshCommands() override;
    void ApplyOptions() override;
    bool EditNodeProperties(CTreeNode& node) override;
    bool EditOptions(bool busy) override;
    void EditModems() override;
    void ShowInstrumentInformation(CInstrumentNode& node) override;
    bool OpenDocument(const std::string& fileName) override;
    std::string ProgramDirectory() const override;
    bool ConnectInstrument(CInstrumentNode& node) override;
    void CloseWindowsOf(const CInstrumentNode* node) override;

    // NotificationSink
    void OnNotification(int code, std::uintptr_t wParam, std::intptr_t lParam) override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    /// Closes every front panel without asking (each disconnects its instrument).
    void CloseAllPanels();
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateTree();
    void Run(MainCommand command);
    void RebuildRecentFiles();
    void ShowContextMenu(const QPoint& position);
    void ChooseBackgroundColor();
    void ApplyBackgroundColor();
    void ShowAbout();
    void RestorePlacement();
    void SavePlacement();
    void SaveBars();
    void DrawItem(QTreeWidgetItem& item, const TreeItem& entry, bool checkBoxes) const;
    QTreeWidgetItem* ItemOf(std::uint32_t id) const;
    static std::uint32_t IdOf(const QTreeWidgetItem* item);

    CTALVENApp& app_;
    MainWindowPresenter presenter_;
    NotificationRegistration registration_;
    QtFrontPanelHost host_;

    std::map<MainCommand, QAction*> actions_;
    QMenu* fileMenu_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    std::vector<QAction*> recentActions_;
    std::vector<std::string> shownRecent_;
    QToolBar* toolBar_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QLabel* ready_ = nullptr;
    QMenu* contextMenu_ = nullptr;
    QTimer* displayTimer_ = nullptr;
    QTimer* idleTimer_ = nullptr;
    QTimer* stateTimer_ = nullptr;
    bool rebuilding_ = false;
    bool exitConfirmed_ = false;
    std::set<std::uint32_t> checked_;
    /// The nodes shown and the node each stands below, in the tree's order.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> shownStructure_;
};

}  // namespace talven::gui
