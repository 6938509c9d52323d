#include "app/MainWindowPresenter.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include "app/AppMessages.h"
#include "app/RecentFiles.h"
#include "app/UserManual.h"
#include "app/TalvenApp.h"
#include "foundation/DataLock.h"
#include "foundation/Messages.h"
#include "foundation/Notifier.h"
#include "foundation/UserPrompt.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "network/NetworkFiles.h"
#include "network/TreeNode.h"
#include "session/InstrumentSession.h"
#include "transport/TCPConnection.h"

namespace talven {

namespace {

constexpr const char* kAppName = "TALVEN";

const std::vector<MainCommandInfo> kCommands = {
    {MainCommand::kNew, MainMenu::kFile, "&New", "Ctrl+N", msg::kPromptNew, false},
    {MainCommand::kOpen, MainMenu::kFile, "&Open", "Ctrl+O", msg::kPromptOpen, false},
    {MainCommand::kSave, MainMenu::kFile, "&Save", "Ctrl+S", msg::kPromptSave, false},
    {MainCommand::kSaveAs, MainMenu::kFile, "Save &as", "", msg::kPromptSaveAs, false},
    {MainCommand::kConnect, MainMenu::kFile, "&Connect", "Ctrl+C", msg::kPromptConnect, true},
    {MainCommand::kExit, MainMenu::kFile, "E&xit", "Alt+F4", msg::kPromptExit, false},
    {MainCommand::kNewSite, MainMenu::kEdit, "New &site", "", msg::kPromptNewSite, true},
    {MainCommand::kNewMultiplexor, MainMenu::kEdit, "New mu&ltiplexor", "", msg::kPromptNewMultiplexor,
     false},
    {MainCommand::kNewInstrument, MainMenu::kEdit, "New i&nstrument", "", msg::kPromptNewInstrument, true},
    {MainCommand::kDuplicate, MainMenu::kEdit, "D&uplicate", "", msg::kPromptDuplicate, true},
    {MainCommand::kProperties, MainMenu::kEdit, "&Properties", "", msg::kPromptProperties, true},
    {MainCommand::kDelete, MainMenu::kEdit, "&Delete", "", msg::kPromptDelete, true},
    {MainCommand::kModems, MainMenu::kEdit, "&Modems", "", msg::kPromptModems, false},
    {MainCommand::kToggleToolbar, MainMenu::kView, "&Toolbar", "", msg::kPromptToolbar, false},
    {MainCommand::kToggleStatusBar, MainMenu::kView, "&Status bar", "", msg::kPromptStatusBar, false},
    {MainCommand::kOptions, MainMenu::kSettings, "&Options", "", msg::kPromptOptions, false},
    {MainCommand::kRestoreDefaults, MainMenu::kSettings, "&Restore defaults", "", msg::kPromptRestoreDefaults,
     false},
    {MainCommand::kBackgroundColor, MainMenu::kSettings, "&Background color", "", msg::kPromptBackgroundColor,
     true},
    {MainCommand::kAbout, MainMenu::kHelp, "&About", "Ctrl+A", msg::kPromptAbout, false},
    {MainCommand::kManual, MainMenu::kHelp, "&Manual", "F1", msg::kPromptManual, false},
    {MainCommand::kInstrumentInformation, MainMenu::kNone, "&Instrument information", "",
     msg::kPromptInstrumentInformation, true},
};

std::string Caption(int id) {
    return std::string(MessageText(id));
}

int Ask(const std::string& text, int caption, unsigned flags) {
    return GetUserPrompt().MessageBox(text, Caption(caption), flags);
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

TreeNodeKind KindOf(const CTreeNode& node) {
    if (dynamic_cast<const CInstrumentMultiplexorNode*>(&node))
        return TreeNodeKind::kMultiplexorInstrument;
    if (dynamic_cast<const CInstrumentNode*>(&node))
        return TreeNodeKind::kInstrument;
    if (dynamic_cast<const CMultiplexorNode*>(&node))
        return TreeNodeKind::kMultiplexor;
    return TreeNodeKind::kSite;
}

}  // namespace

const std::vector<MainCommandInfo>& MainCommands() {
    return kCommands;
}

const MainCommandInfo& GetCommandInfo(MainCommand command) {
    for (const MainCommandInfo& info : kCommands)
        if (info.command == command)
            return info;
    return kCommands.front();
}

std::string StatusPromptOf(int promptId) {
    const std::string_view text = MessageText(promptId);
    return std::string(text.substr(0, text.find('\n')));
}

std::string ToolTipOf(int promptId) {
    const std::string_view text = MessageText(promptId);
    const std::size_t cut = text.find('\n');
    return cut == std::string_view::npos ? std::string(text) : std::string(text.substr(cut + 1));
}

MainWindowPresenter::MainWindowPresenter(CTALVENApp& app, CNetworkConfiguration& configuration,
                                         RecentFileList& recent, MainWindowView& view)
    : app_(app), configuration_(configuration), recent_(recent), view_(view) {}

// --- Start-up and title ---------------------------------------------------------------------------

void MainWindowPresenter::Startup() {
    const bool given = app_.fileGivenOnCommandLine();
    const std::string path = app_.StartupConfigPath(kAppName);
    bool opened = false;
    // A remembered file that was never saved (the first start's default name) is no reason for
    // a message; a file the user named is.
    if (given || (app_.GetOptions().loadPreviousOnStartup && FileExists(path)))
        opened = Load(path);
    if (!opened)
        configuration_.New();
    selectedId_ = 0;
    Changed(0);
}

void MainWindowPresenter::ConfigurationReplaced() {
    selectedId_ = 0;
    Changed(0);
}

std::string MainWindowPresenter::Title() const {
    const std::string path = configuration_.GetPath();
    std::string title =
        path.empty() ? Caption(msg::kUntitled) : std::filesystem::path(path).filename().string();
    if (configuration_.IsModified())
        title += Caption(msg::kModifiedSuffix);
    return title + " - " + Caption(msg::kApplicationTitle);
}

// --- Availability ---------------------------------------------------------------------------------

bool MainWindowPresenter::IsEnabled(MainCommand command) const {
    const CTreeNode* node = SelectedNode();
    const TreeNodeKind kind = node ? KindOf(*node) : TreeNodeKind::kSite;
    const bool instrument =
        node && (kind == TreeNodeKind::kInstrument || kind == TreeNodeKind::kMultiplexorInstrument);
    switch (command) {
        case MainCommand::kNew:
        case MainCommand::kOpen:
        case MainCommand::kExit:
        case MainCommand::kRestoreDefaults:
            return !AnyInstrumentBusy();
        case MainCommand::kConnect:
            // An instrument whose front panel is open is connected again by bringing it forward.
            return instrument && (!IsBusy(*node) || HasFrontPanel(*node));
        case MainCommand::kNewMultiplexor:
            return node && kind == TreeNodeKind::kSite;
        case MainCommand::kNewInstrument:
            return node && (kind == TreeNodeKind::kSite || kind == TreeNodeKind::kMultiplexor);
        case MainCommand::kDuplicate:
        case MainCommand::kProperties:
            return node != nullptr;
        case MainCommand::kDelete:
            return node != nullptr && !configuration_.IsFirstSite(node);
        case MainCommand::kInstrumentInformation:
            return instrument;
        default:
            return true;
    }
}

bool MainWindowPresenter::AppliesToSelection(MainCommand command) const {
    const CTreeNode* node = SelectedNode();
    const TreeNodeKind kind = node ? KindOf(*node) : TreeNodeKind::kSite;
    const bool instrument =
        node && (kind == TreeNodeKind::kInstrument || kind == TreeNodeKind::kMultiplexorInstrument);
    switch (command) {
        case MainCommand::kConnect:
        case MainCommand::kInstrumentInformation:
            return instrument;
        case MainCommand::kNewSite:
            return node == nullptr || kind == TreeNodeKind::kSite;
        case MainCommand::kNewInstrument:
            return node && (kind == TreeNodeKind::kSite || kind == TreeNodeKind::kMultiplexor);
        case MainCommand::kDuplicate:
        case MainCommand::kProperties:
        case MainCommand::kDelete:
            return node != nullptr;
        case MainCommand::kBackgroundColor:
            return true;
        default:
            return false;
    }
}

bool MainWindowPresenter::Execute(MainCommand command) {
    if (!IsEnabled(command))
        return false;
    switch (command) {
        case MainCommand::kNew:
            return New();
        case MainCommand::kOpen:
            return Open();
        case MainCommand::kSave:
            return Save();
        case MainCommand::kSaveAs:
            return SaveAs();
        case MainCommand::kConnect:
            return Connect();
        case MainCommand::kNewSite:
            return NewSite();
        case MainCommand::kNewMultiplexor:
            return NewMultiplexor();
        case MainCommand::kNewInstrument:
            return NewInstrument();
        case MainCommand::kDuplicate:
            return Duplicate();
        case MainCommand::kProperties:
            return Properties();
        case MainCommand::kDelete:
            return Delete();
        case MainCommand::kModems:
            return EditModems();
        case MainCommand::kOptions:
            return EditOptions();
        case MainCommand::kRestoreDefaults:
            return RestoreDefaults();
        case MainCommand::kManual:
            return OpenManual();
        case MainCommand::kInstrumentInformation:
            return ShowInstrumentInformation();
        default:
            return false;
    }
}

// --- Busy instruments -----------------------------------------------------------------------------

bool MainWindowPresenter::IsBusy(const CTreeNode& node) const {
    const auto* instrument = dynamic_cast<const CInstrumentNode*>(&node);
    const CInstrumentSession* session = instrument ? CInstrumentSession::Find(*instrument) : nullptr;
    if (session == nullptr)
        return false;
    // A connect still opening its link, a disconnect still closing it, and a front panel that
    // still shows the node all use the node as much as a connected link does.
    return session->IsConnected() || session->HasWorker() || session->GetFrontPanel() != 0;
}

bool MainWindowPresenter::SubtreeBusy(const CTreeNode& node) const {
    DataGuard guard;
    for (const CTreeNode* member : configuration_.CollectSubtree(&node))
        if (IsBusy(*member))
            return true;
    return false;
}

bool MainWindowPresenter::AnyInstrumentBusy() const {
    DataGuard guard;
    for (const CNamedObjectList* list :
         {&configuration_.Lists().connectedInstruments, &configuration_.Lists().multiplexorInstruments}) {
        for (const auto& object : *list)
            if (IsBusy(static_cast<const CTreeNode&>(*object)))
                return true;
    }
    return false;
}

// --- Tree -----------------------------------------------------------------------------------------

std::vector<TreeItem> MainWindowPresenter::TreeItems() const {
    DataGuard guard;
    const SavedLists& lists = configuration_.Lists();
    // Children of each holder in the order the tree shows them: sites, multiplexors, instruments,
    // multiplexor instruments, each in list order. A node whose holder is missing stands at the top,
    // so that nothing a file holds is hidden from the user.
    std::unordered_map<std::uint32_t, std::vector<const CTreeNode*>> children;
    std::vector<const CTreeNode*> all;
    for (const CNamedObjectList* list :
         {&lists.sites, &lists.multiplexors, &lists.connectedInstruments, &lists.multiplexorInstruments}) {
        for (const auto& object : *list) {
            const auto* node = static_cast<const CTreeNode*>(object.get());
            const std::uint32_t parentId = node->GetParentId();
            const bool held =
                parentId != 0 && parentId != node->GetId() && configuration_.FindParent(parentId) != nullptr;
            children[held ? parentId : 0].push_back(node);
            all.push_back(node);
        }
    }
    std::vector<TreeItem> items;
    std::unordered_set<const CTreeNode*> placed;
    // Depth first without recursion: a file may nest sites deeply.
    auto placeFrom = [&](const CTreeNode* root, std::uint32_t rootParent) {
        std::vector<std::pair<const CTreeNode*, std::uint32_t>> stack{{root, rootParent}};
        while (!stack.empty()) {
            auto [node, parent] = stack.back();
            stack.pop_back();
            if (!placed.insert(node).second)
                continue;
            TreeItem item;
            item.id = node->GetId();
            item.parentItem = parent;
            item.kind = KindOf(*node);
            item.text = node->GetDisplayName();
            item.expanded = node->IsExpanded();
            if (const auto* instrument = dynamic_cast<const CInstrumentNode*>(node))
                item.connected = instrument->IsConnected();
            items.push_back(std::move(item));
            auto found = children.find(node->GetId());
            if (found == children.end())
                continue;
            for (auto child = found->second.rbegin(); child != found->second.rend(); ++child)
                if (!placed.count(*child))
                    stack.emplace_back(*child, node->GetId());
        }
    };
    for (const CTreeNode* root : children[0])
        placeFrom(root, 0);
    // Sites that hold each other in a ring reach no top: each ring shows from its first member.
    for (const CTreeNode* node : all)
        if (!placed.count(node))
            placeFrom(node, 0);
    return items;
}

void MainWindowPresenter::Select(std::uint32_t id) {
    selectedId_ = id;
    view_.RefreshCommands();
}

void MainWindowPresenter::SetExpanded(std::uint32_t id, bool expanded) {
    CTreeNode* node = configuration_.FindNode(id);
    if (node == nullptr || node->IsExpanded() == expanded)
        return;
    node->SetExpanded(expanded);
    configuration_.SetModified(true);
    view_.RefreshCommands();
}

CTreeNode* MainWindowPresenter::SelectedNode() const {
    return selectedId_ == 0 ? nullptr : configuration_.FindNode(selectedId_);
}

CInstrumentNode* MainWindowPresenter::SelectedInstrument() const {
    return dynamic_cast<CInstrumentNode*>(SelectedNode());
}

void MainWindowPresenter::Changed(std::uint32_t selectId) {
    if (selectId != 0)
        selectedId_ = selectId;
    view_.RefreshTree(selectId);
    view_.RefreshCommands();
}

// --- File commands --------------------------------------------------------------------------------

bool MainWindowPresenter::SavePrompt(bool automatic) {
    if (automatic && !configuration_.GetPath().empty() && app_.GetOptions().saveOnExit) {
        Save();
        if (!configuration_.IsModified())
            return true;
    }
    if (!configuration_.IsModified())
        return true;
    switch (Ask(FormatMessage(msg::kSaveModifiedNetwork), msg::kCaptionConfirm,
                mb::kYesNoCancel | mb::kIconQuestion)) {
        case mb::kIdYes:
            Save();
            return !configuration_.IsModified();
        case mb::kIdNo:
            return true;
        default:
            return false;
    }
}

bool MainWindowPresenter::New() {
    if (AnyInstrumentBusy() || !SavePrompt(false))
        return false;
    view_.CloseWindowsOf(nullptr);
    configuration_.New();
    selectedId_ = 0;
    std::uint32_t home = 0;
    {
        DataGuard guard;
        if (!configuration_.Sites().empty())
            home = configuration_.Sites().at(0)->GetId();
    }
    Changed(home);
    return true;
}

bool MainWindowPresenter::Open() {
    if (AnyInstrumentBusy() || !SavePrompt(false))
        return false;
    FileDialogRequest request;
    request.filter = Caption(msg::kOpenNetworkFilter);
    request.defaultExtension = Caption(msg::kNetworkConfigExtension);
    request.mustExist = true;
    const std::optional<std::string> path = GetUserPrompt().OpenFile(request);
    return path && Load(*path);
}

bool MainWindowPresenter::OpenFile(const std::string& path) {
    if (AnyInstrumentBusy() || !SavePrompt(false))
        return false;
    return Load(path);
}

bool MainWindowPresenter::OpenRecent(std::size_t index) {
    if (index >= recent_.Entries().size() || AnyInstrumentBusy())
        return false;
    const std::string path = recent_.Entries()[index];
    if (!SavePrompt(false))
        return false;
    if (Load(path))
        return true;
    recent_.Remove(path);
    view_.RefreshCommands();
    return false;
}

bool MainWindowPresenter::Load(const std::string& path) {
    // The configuration windows hold the nodes a load replaces. They close before it, even when the
    // load then fails and keeps the nodes: a window never outlives its node.
    view_.CloseWindowsOf(nullptr);
    if (!LoadNetworkConfiguration(configuration_, path))
        return false;
    Remember(path);
    selectedId_ = 0;
    Changed(0);
    return true;
}

void MainWindowPresenter::Remember(const std::string& path) {
    recent_.Add(path);
    Options options = app_.GetOptions();
    options.networkConfigPath = path;
    app_.SetOptions(options);
}

bool MainWindowPresenter::Save() {
    const std::string path = configuration_.GetPath();
    if (path.empty())
        return SaveAs();
    if (configuration_.IsOlderFormat() &&
        Ask(FormatMessage(msg::kOlderFormatOverwrite), msg::kCaptionConfirm,
            mb::kYesNo | mb::kIconQuestion | mb::kDefaultButton2) != mb::kIdYes) {
        return SaveAs();
    }
    return SaveTo(path);
}

bool MainWindowPresenter::SaveAs() {
    FileDialogRequest request;
    request.filter = Caption(msg::kNetworkConfigFilter);
    request.defaultExtension = Caption(msg::kNetworkConfigExtension);
    request.initialName = configuration_.GetPath();
    request.promptOverwrite = true;
    const std::optional<std::string> path = GetUserPrompt().SaveFile(request);
    return path && SaveTo(*path);
}

bool MainWindowPresenter::SaveTo(const std::string& path) {
    const bool saved = SaveNetworkConfiguration(configuration_, path);
    if (saved)
        Remember(path);
    view_.RefreshCommands();
    return saved;
}

bool MainWindowPresenter::QueryExit() {
    if (!SavePrompt(true))
        return false;
    if (!AnyInstrumentBusy())
        return true;
    return Ask(FormatMessage(msg::kExitWhileConnected), msg::kCaptionWarning,
               mb::kYesNo | mb::kIconWarning | mb::kDefaultButton2) == mb::kIdYes;
}

std::vector<std::string> MainWindowPresenter::RecentFiles() const {
    return recent_.Entries();
}

// --- Editing the tree -----------------------------------------------------------------------------

bool MainWindowView::ConnectInstrument(CInstrumentNode& node) {
    return OpenFrontPanel(node);
}

bool MainWindowPresenter::HasFrontPanel(const CTreeNode& node) const {
    const auto* instrument = dynamic_cast<const CInstrumentNode*>(&node);
    const CInstrumentSession* session = instrument ? CInstrumentSession::Find(*instrument) : nullptr;
    return session != nullptr && session->GetFrontPanel() != 0;
}

bool MainWindowPresenter::Connect() {
    CInstrumentNode* node = SelectedInstrument();
    if (node == nullptr || (IsBusy(*node) && !HasFrontPanel(*node)))
        return false;
    const bool started = view_.ConnectInstrument(*node);
    Changed(0);
    return started;
}

void MainWindowPresenter::AddNode(CNamedObjectList& list, std::unique_ptr<CTreeNode> node,
                                  CTreeNode* parent) {
    const std::uint32_t id = node->GetId();
    {
        DataGuard guard;
        list.Append(std::move(node));
        if (parent != nullptr)
            parent->SetExpanded(true);
        configuration_.SetModified(true);
    }
    Changed(id);
}

bool MainWindowPresenter::NewSite() {
    CTreeNode* selected = SelectedNode();
    auto site = std::make_unique<CSiteNode>();
    // The id is drawn against this configuration whatever configuration is current.
    site->SetId(configuration_.NewNodeId());
    CTreeNode* parent = selected && KindOf(*selected) == TreeNodeKind::kSite ? selected : nullptr;
    site->SetParentId(parent ? parent->GetId() : 0);
    if (!view_.EditNodeProperties(*site))
        return false;
    AddNode(configuration_.Sites(), std::move(site), parent);
    return true;
}

bool MainWindowPresenter::NewMultiplexor() {
    CTreeNode* site = SelectedNode();
    if (site == nullptr || KindOf(*site) != TreeNodeKind::kSite)
        return false;
    auto multiplexor = std::make_unique<CMultiplexorNode>();
    multiplexor->SetId(configuration_.NewNodeId());
    multiplexor->SetParentId(site->GetId());
    if (!view_.EditNodeProperties(*multiplexor))
        return false;
    AddNode(configuration_.Multiplexors(), std::move(multiplexor), site);
    return true;
}

bool MainWindowPresenter::NewInstrument() {
    CTreeNode* parent = SelectedNode();
    if (parent == nullptr)
        return false;
    const TreeNodeKind kind = KindOf(*parent);
    if (kind == TreeNodeKind::kSite) {
        auto node = std::make_unique<CInstrumentConnectedNode>();
        node->SetId(configuration_.NewNodeId());
        node->SetParentId(parent->GetId());
        if (!view_.EditNodeProperties(*node))
            return false;
        AddNode(configuration_.ConnectedInstruments(), std::move(node), parent);
        return true;
    }
    if (kind != TreeNodeKind::kMultiplexor)
        return false;
    auto node = std::make_unique<CInstrumentMultiplexorNode>();
    node->SetId(configuration_.NewNodeId());
    node->SetParentId(parent->GetId());
    if (!view_.EditNodeProperties(*node))
        return false;
    const std::uint32_t id = node->GetId();
    AddNode(configuration_.MultiplexorInstruments(), std::move(node), parent);
    // The instruments behind a multiplexor are reached on its address.
    DataGuard guard;
    const std::string address = static_cast<CMultiplexorNode*>(parent)->GetAddress();
    for (const auto& object : configuration_.MultiplexorInstruments()) {
        auto* instrument = static_cast<CInstrumentMultiplexorNode*>(object.get());
        if (instrument->GetParentId() != parent->GetId())
            continue;
        auto* tcp = dynamic_cast<CTCPConnection*>(instrument->GetConnection());
        // A connected one keeps its link until it closes; only the new one can be idle for sure.
        if (tcp != nullptr && (instrument->GetId() == id || !IsBusy(*instrument)))
            tcp->SetHost(address);
    }
    return true;
}

CNamedObjectList* MainWindowPresenter::ListHolding(const CTreeNode& node) const {
    DataGuard guard;
    for (CNamedObjectList* list :
         {&configuration_.Sites(), &configuration_.Multiplexors(), &configuration_.ConnectedInstruments(),
          &configuration_.MultiplexorInstruments()}) {
        if (list->IndexOf(&node) < list->size())
            return list;
    }
    return nullptr;
}

bool MainWindowPresenter::Duplicate() {
    CTreeNode* node = SelectedNode();
    CNamedObjectList* list = node ? ListHolding(*node) : nullptr;
    if (list == nullptr)
        return false;
    std::uint32_t id = 0;
    {
        DataGuard guard;
        std::unique_ptr<CNamedObject> copy = CNetworkConfiguration::MakeDuplicate(*node);
        copy->SetId(configuration_.NewNodeId());
        id = copy->GetId();
        list->Insert(list->IndexOf(node) + 1, std::move(copy));
        configuration_.SetModified(true);
    }
    Changed(id);
    return true;
}

bool MainWindowPresenter::Properties() {
    CTreeNode* node = SelectedNode();
    if (node == nullptr || !view_.EditNodeProperties(*node))
        return false;
    configuration_.SetModified(true);
    Changed(0);
    return true;
}

bool MainWindowPresenter::Delete() {
    CTreeNode* node = SelectedNode();
    if (node == nullptr || configuration_.IsFirstSite(node))
        return false;
    if (SubtreeBusy(*node)) {
        Ask(FormatMessage(msg::kUnableToDeleteConnected), msg::kCaptionError, mb::kOk | mb::kIconInformation);
        return false;
    }
    if (app_.GetOptions().confirmDeletes &&
        Ask(FormatMessage(msg::kDeleteQuestion, node->GetName()), msg::kCaptionConfirm,
            mb::kYesNo | mb::kIconQuestion | mb::kDefaultButton2) != mb::kIdYes) {
        return false;
    }
    // The question gave the workers time: check again right before the nodes go.
    if (SubtreeBusy(*node))
        return false;
    const std::uint32_t parentId = node->GetParentId();
    std::vector<const CInstrumentNode*> instruments;
    {
        DataGuard guard;
        for (const CTreeNode* member : configuration_.CollectSubtree(node))
            if (const auto* instrument = dynamic_cast<const CInstrumentNode*>(member))
                instruments.push_back(instrument);
    }
    for (const CInstrumentNode* instrument : instruments)
        view_.CloseWindowsOf(instrument);
    if (!configuration_.DeleteSubtree(node))
        return false;
    selectedId_ = configuration_.FindNode(parentId) ? parentId : 0;
    Changed(selectedId_);
    return true;
}

// --- Settings and help ----------------------------------------------------------------------------

bool MainWindowPresenter::EditModems() {
    view_.EditModems();
    Changed(0);
    return true;
}

bool MainWindowPresenter::EditOptions() {
    if (!view_.EditOptions(AnyInstrumentBusy()))
        return false;
    view_.ApplyOptions();
    Changed(0);
    return true;
}

bool MainWindowPresenter::RestoreDefaults() {
    if (AnyInstrumentBusy())
        return false;
    if (Ask(FormatMessage(msg::kRestoreDefaultsQuestion), msg::kCaptionConfirm,
            mb::kYesNo | mb::kIconQuestion | mb::kDefaultButton2) != mb::kIdYes) {
        return false;
    }
    if (!app_.RestoreDefaults(AnyInstrumentBusy()))
        return false;
    view_.ApplyOptions();
    Changed(0);
    return true;
}

bool MainWindowPresenter::OpenManual() {
    const std::string directory = view_.ProgramDirectory();
    const std::string file = FindUserManual(directory);
    if (file.empty()) {
        const std::vector<std::string> places = UserManualCandidates(directory);
        Ask(FormatMessage(msg::kManualMissing, places.front(), places.back()), msg::kCaptionError,
            mb::kOk | mb::kIconWarning);
        return false;
    }
    if (view_.OpenDocument(file))
        return true;
    Ask(FormatMessage(msg::kManualUnavailable, file), msg::kCaptionError, mb::kOk | mb::kIconWarning);
    return false;
}

bool MainWindowPresenter::ShowInstrumentInformation() {
    CInstrumentNode* node = SelectedInstrument();
    if (node == nullptr)
        return false;
    view_.ShowInstrumentInformation(*node);
    return true;
}

// --- Timers and notifications ---------------------------------------------------------------------

bool MainWindowPresenter::PeriodicUpdateOn() const {
    return app_.GetOptions().periodicFrontPanelUpdate;
}

void MainWindowPresenter::DisplayTick() {
    if (!PeriodicUpdateOn())
        return;
    DisplayTickAll(configuration_.ConnectedInstruments());
    DisplayTickAll(configuration_.MultiplexorInstruments());
}

void MainWindowPresenter::IdleCheck(DateTime now) {
    IdleCheckAll(configuration_.ConnectedInstruments(), now);
    IdleCheckAll(configuration_.MultiplexorInstruments(), now);
}

void MainWindowPresenter::OnNotification(int code, std::uintptr_t /*wParam*/, std::intptr_t lParam) {
    switch (code) {
        case wm::kSessionOpenChanged:
        case wm::kConnectionChanged:
            Changed(0);
            break;
        case wm::kConnectionLost: {
            // The link names its instrument node by id; a link of no node names none.
            const auto id = static_cast<std::uint32_t>(lParam);
            const CTreeNode* node = id == 0 ? nullptr : configuration_.FindNode(id);
            if (node != nullptr)
                Ask(FormatMessage(msg::kConnectionFailed, node->GetName()), msg::kCaptionError,
                    mb::kOk | mb::kIconWarning);
            Changed(0);
            break;
        }
        default:
            break;
    }
}

}  // namespace talven
