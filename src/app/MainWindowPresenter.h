#pragma once
// The main window's rules, without widgets: its commands and when each is available, the title,
// the save prompt and the questions of New, Open, Save, Delete and Exit, the network tree derived
// from the node lists, the recent files, and the two timers forwarded to the open sessions.
//
// It asks the user only through UserPrompt; what needs a window of its own (a node's properties,
// the options sheet, the modems list) it asks of its MainWindowView. Window thread only: workers
// reach it through the notifications the window hands on (OnNotification).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/DateTime.h"

namespace talven {

class CTALVENApp;
class CNetworkConfiguration;
class CNamedObjectList;
class CTreeNode;
class CInstrumentNode;
class RecentFileList;

enum class MainCommand : int {
    kNew,
    kOpen,
    kSave,
    kSaveAs,
    kConnect,
    kExit,
    kNewSite,
    kNewMultiplexor,
    kNewInstrument,
    kDuplicate,
    kProperties,
    kDelete,
    kModems,
    kToggleToolbar,
    kToggleStatusBar,
    kOptions,
    kRestoreDefaults,
    kBackgroundColor,
    kAbout,
    kManual,
    kInstrumentInformation,
};

enum class MainMenu { kFile, kEdit, kView, kSettings, kHelp, kNone };

/// One command of the menus, the toolbar and the tree's context menu.
struct MainCommandInfo {
    MainCommand command;
    MainMenu menu;            // kNone: offered elsewhere only (the context menu)
    const char* text;         // the menu entry with its mnemonic, without the accelerator
    const char* accelerator;  // as "Ctrl+N"; empty for none
    int promptId;             // message "status-bar prompt\ntool tip"; 0 for none
    bool inContextMenu;       // offered in the tree's context menu when it applies to the node
};

/// Every command, in menu order.
const std::vector<MainCommandInfo>& MainCommands();
const MainCommandInfo& GetCommandInfo(MainCommand command);
/// The two halves of a prompt message: the status-bar text and the tool tip.
std::string StatusPromptOf(int promptId);
std::string ToolTipOf(int promptId);

enum class TreeNodeKind { kSite, kMultiplexor, kInstrument, kMultiplexorInstrument };

/// One line of the network tree, in the order the tree shows them (a node before the nodes below
/// it).
struct TreeItem {
    std::uint32_t id = 0;
    std::uint32_t parentItem = 0;  // the id of the item it stands below; 0 at the top
    TreeNodeKind kind = TreeNodeKind::kSite;
    std::string text;
    bool expanded = false;
    bool connected = false;
};

/// What the presenter asks of its window.
class MainWindowView {
  public:
    virtual ~MainWindowView() = default;
    /// Rebuilds the tree from TreeItems() and selects the node of that id (0: keeps the selection
    /// when its node is still there).
    virtual void RefreshTree(std::uint32_t selectId) = 0;
    /// The title, the commands' availability or the recent files may have changed.
    virtual void RefreshCommands() = 0;
    /// Options changed: the display timer and the tree's check boxes follow them.
    virtual void ApplyOptions() = 0;
    /// The node's properties dialog; true when the user accepted it.
    virtual bool EditNodeProperties(CTreeNode& node) = 0;
    /// The options sheet; true when options changed.
    virtual bool EditOptions(bool busy) = 0;
    virtual void EditModems() = 0;
    virtual void ShowInstrumentInformation(CInstrumentNode& node) = 0;
    /// Opens a document with the desktop's program for it; false when that failed.
    virtual bool OpenDocument(const std::string& fileName) = 0;
    /// The folder the program runs from, where its manual is looked for first.
    virtual std::string ProgramDirectory() const { return "."; }
    /// Connect: opens the instrument's front panel, or brings it forward when it is open. False
    /// when the node cannot be connected (the user has been told).
    virtual bool ConnectInstrument(CInstrumentNode& node);
    /// The instrument is about to be deleted, or (null) every node is about to be replaced: its
    /// configuration windows close.
    virtual void CloseWindowsOf(const CInstrumentNode* /*node*/) {}
};

class MainWindowPresenter {
  public:
    static constexpr int kDisplayTickMs = 100;
    static constexpr int kIdleCheckMs = 10000;

    MainWindowPresenter(CTALVENApp& app, CNetworkConfiguration& configuration, RecentFileList& recent,
                        MainWindowView& view);
    CNetworkConfiguration& Configuration() const { return configuration_; }

    /// Start-up: opens the configuration named on the command line, or the one used last when the
    /// option says so; otherwise, or when it fails, starts a new one. A remembered file that no
    /// longer exists starts a new configuration without a message.
    void Startup();
    /// The configuration was filled from elsewhere (the demo network): show it.
    void ConfigurationReplaced();

    /// File title or "Untitled", " (Modified)" when modified, " - " and the application title.
    std::string Title() const;
    bool IsEnabled(MainCommand command) const;
    /// Whether the command is offered in the context menu of the selected node.
    bool AppliesToSelection(MainCommand command) const;
    /// Runs a command that the presenter handles; false when it did nothing or failed. The view's
    /// own commands (toolbar and status bar toggles, background colour, About) return false.
    bool Execute(MainCommand command);

    // The tree and its selection.
    std::vector<TreeItem> TreeItems() const;
    void Select(std::uint32_t id);
    std::uint32_t GetSelectedId() const { return selectedId_; }
    /// The user expanded or collapsed a node: stored in it, and the configuration is modified.
    void SetExpanded(std::uint32_t id, bool expanded);

    // Commands.
    bool New();
    bool Open();
    bool Save();
    bool SaveAs();
    /// Opens a file (after the save prompt); refused while connections are open.
    bool OpenFile(const std::string& path);
    /// Opens an entry of the recent-file list; an entry that cannot be opened leaves the list.
    bool OpenRecent(std::size_t index);
    bool Connect();
    bool NewSite();
    bool NewMultiplexor();
    bool NewInstrument();
    bool Duplicate();
    bool Properties();
    bool Delete();
    bool EditModems();
    bool EditOptions();
    bool RestoreDefaults();
    bool OpenManual();
    bool ShowInstrumentInformation();
    /// Closing the main window: the save prompt in automatic mode, then, while connections are
    /// still open, the warning. True when the program may end.
    bool QueryExit();
    /// The save prompt; automatic saves silently when the option is on and the file is known.
    /// True to go on, false when the user cancelled (or a save he asked for failed).
    bool SavePrompt(bool automatic);

    std::vector<std::string> RecentFiles() const;

    /// True while an instrument is connected, connecting, disconnecting or has its front panel:
    /// the configuration must not be replaced or its nodes deleted under it.
    bool AnyInstrumentBusy() const;
    /// Whether the 100 ms display timer should run.
    bool PeriodicUpdateOn() const;
    /// The 100 ms tick, forwarded to every open session.
    void DisplayTick();
    /// The 10 s tick, forwarded to every open session.
    void IdleCheck(DateTime now);
    /// Notifications to the main window: session and connection changes, a lost link.
    void OnNotification(int code, std::uintptr_t wParam, std::intptr_t lParam);

  private:
    CTreeNode* SelectedNode() const;
    CInstrumentNode* SelectedInstrument() const;
    bool IsBusy(const CTreeNode& node) const;
    bool HasFrontPanel(const CTreeNode& node) const;
    bool SubtreeBusy(const CTreeNode& node) const;
    /// Loads the file and, on success, makes it the current one; the loader tells of failures.
    bool Load(const std::string& path);
    /// The file is now the configuration's: remembered for the next start and in the recent list.
    void Remember(const std::string& path);
    bool SaveTo(const std::string& path);
    /// Appends a new node that the user accepted, marks modified, shows and selects it.
    void AddNode(CNamedObjectList& list, std::unique_ptr<CTreeNode> node, CTreeNode* parent);
    CNamedObjectList* ListHolding(const CTreeNode& node) const;
    void Changed(std::uint32_t selectId);

    CTALVENApp& app_;
    CNetworkConfiguration& configuration_;
    RecentFileList& recent_;
    MainWindowView& view_;
    std::uint32_t selectedId_ = 0;
};

}  // namespace talven
