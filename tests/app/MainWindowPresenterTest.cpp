// The main window's rules: the save prompt, the file commands and their questions, editing the
// tree, the tree derived from the lists, and the command table.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "app/AppMessages.h"
#include "foundation/Messages.h"
#include "network/NetworkFiles.h"
#include "tests/app/MainWindowTestSupport.h"
#include "transport/TCPConnection.h"

namespace talven::test {
namespace {

constexpr const char* kSaveQuestion = "Network configuration has been modified. Save configuration?";

using SavePromptTest = PresenterTest;

TEST_F(SavePromptTest, automaticSavesSilentlyOnlyWithAPathAndTheOption) {
    SetOption(&Options::saveOnExit, true);
    const std::string path = PathOf("net.cfg");
    ASSERT_TRUE(SaveNetworkConfiguration(config_, path));
    Home().SetName("Renamed");
    config_.SetModified(true);
    EXPECT_TRUE(presenter_.QueryExit());
    EXPECT_TRUE(prompt_.asked().empty());
    EXPECT_FALSE(config_.IsModified());
    CNetworkConfiguration reread;
    ASSERT_TRUE(LoadNetworkConfiguration(reread, path));
    EXPECT_EQ(reread.Sites().at(0)->GetName(), "Renamed");

    // Without a path the automatic mode has nowhere to save: it asks.
    config_.New();
    config_.SetModified(true);
    prompt_.QueueAnswer(mb::kIdNo);
    EXPECT_TRUE(presenter_.SavePrompt(true));
    ASSERT_EQ(prompt_.asked().size(), 1u);
    EXPECT_EQ(prompt_.asked()[0].text, kSaveQuestion);
    EXPECT_EQ(prompt_.asked()[0].caption, "Confirm");
    EXPECT_EQ(prompt_.asked()[0].flags, mb::kYesNoCancel | mb::kIconQuestion);
    EXPECT_TRUE(config_.IsModified());  // No goes on without saving
}

TEST_F(SavePromptTest, yesSavesAndGoesOnOnlyWhenTheSaveHappenedAndCancelStops) {
    config_.SetModified(true);
    // Yes without a path is Save As; cancelling its dialog keeps the configuration modified.
    prompt_.QueueAnswer(mb::kIdYes);
    EXPECT_FALSE(presenter_.SavePrompt(false));
    EXPECT_TRUE(config_.IsModified());

    prompt_.QueueAnswer(mb::kIdCancel);
    EXPECT_FALSE(presenter_.QueryExit());
    EXPECT_TRUE(config_.IsModified());
    EXPECT_EQ(config_.Sites().at(0)->GetName(), "Home");

    prompt_.QueueAnswer(mb::kIdYes);
    prompt_.QueueFile(PathOf("chosen.cfx"));
    EXPECT_TRUE(presenter_.SavePrompt(false));
    EXPECT_FALSE(config_.IsModified());
    EXPECT_EQ(config_.GetPath(), PathOf("chosen.cfx"));
    EXPECT_TRUE(std::filesystem::exists(PathOf("chosen.cfx")));
    // Not modified: no question at all.
    const std::size_t asked = prompt_.asked().size();
    EXPECT_TRUE(presenter_.SavePrompt(false));
    EXPECT_EQ(prompt_.asked().size(), asked);
}

using FileCommandTest = PresenterTest;

TEST_F(FileCommandTest, newOnAnEmptyNetworkGivesOneHomeSiteAndAnUntitledTitle) {
    const std::string empty = PathOf("empty.cfx");
    WriteFile(empty, "");
    ASSERT_TRUE(presenter_.OpenFile(empty));
    EXPECT_TRUE(config_.Sites().empty());
    EXPECT_TRUE(presenter_.TreeItems().empty());
    EXPECT_EQ(presenter_.Title(), "empty.cfx - TALVEN");

    EXPECT_TRUE(presenter_.New());
    ASSERT_EQ(config_.Sites().size(), 1u);
    EXPECT_EQ(config_.Sites().at(0)->GetName(), "Home");
    EXPECT_EQ(presenter_.Title(), "Untitled - TALVEN");
    EXPECT_EQ(TreeTexts(), std::vector<std::string>{"Home"});
    EXPECT_EQ(presenter_.GetSelectedId(), config_.Sites().at(0)->GetId());
    config_.SetModified(true);
    EXPECT_EQ(presenter_.Title(), "Untitled (Modified) - TALVEN");
}

TEST_F(FileCommandTest, aDamagedFileIsReportedAndTheOpenNetworkStays) {
    Add<CSiteNode>(config_.Sites(), "Roof", 0);
    const std::string damaged = PathOf("damaged.cfx");
    WriteFile(damaged, "SITE_NAME = \"A\"\r\nSITE_NAME \"B\"\r\n");
    prompt_.QueueFile(damaged);
    EXPECT_FALSE(presenter_.Execute(MainCommand::kOpen));
    ASSERT_EQ(prompt_.fileRequests().size(), 1u);
    const FileDialogRequest request = prompt_.fileRequests()[0];
    EXPECT_EQ(request.filter, "Standard network configuration Files (*.cfg)|*.cfg|All Files (*.*)|*.*||");
    EXPECT_EQ(request.defaultExtension, ".cfg");
    EXPECT_TRUE(request.mustExist);
    ASSERT_EQ(prompt_.asked().size(), 1u);
    EXPECT_NE(prompt_.asked()[0].text.find("line 2 of network configuration file " + damaged),
              std::string::npos)
        << prompt_.asked()[0].text;
    EXPECT_EQ(TreeTexts(), (std::vector<std::string>{"Home", "Roof"}));
    EXPECT_TRUE(recent_.Entries().empty());
    EXPECT_EQ(app_.GetOptions().networkConfigPath, "");
}

TEST_F(FileCommandTest, saveAsAndOpenRememberTheFileForTheNextStartAndTheRecentList) {
    prompt_.QueueFile(PathOf("one.cfg"));
    EXPECT_TRUE(presenter_.Execute(MainCommand::kSaveAs));
    const FileDialogRequest request = prompt_.fileRequests().back();
    EXPECT_EQ(request.filter, std::string(MessageText(msg::kNetworkConfigFilter)));
    EXPECT_TRUE(request.promptOverwrite);
    EXPECT_EQ(app_.GetOptions().networkConfigPath, PathOf("one.cfg"));

    ASSERT_TRUE(SaveNetworkConfiguration(config_, PathOf("two.cfx")));
    ASSERT_TRUE(presenter_.OpenFile(PathOf("two.cfx")));
    ASSERT_TRUE(presenter_.OpenFile(PathOf("one.cfg")));
    EXPECT_EQ(recent_.Entries(), (std::vector<std::string>{PathOf("one.cfg"), PathOf("two.cfx")}));
    EXPECT_EQ(presenter_.Title(), "one.cfg - TALVEN");

    // A recent file that went away is reported and leaves the list.
    std::filesystem::remove(PathOf("two.cfx"));
    EXPECT_FALSE(presenter_.OpenRecent(1));
    EXPECT_EQ(prompt_.asked().size(), 1u);
    EXPECT_EQ(recent_.Entries(), std::vector<std::string>{PathOf("one.cfg")});
}

TEST_F(FileCommandTest, savingOverAnOlderFormatAsksAndNoGoesToSaveAs) {
    const std::string path = PathOf("old.cfg");
    ASSERT_TRUE(SaveNetworkConfiguration(config_, path));
    config_.SetFormatVersion(0);
    prompt_.QueueAnswer(mb::kIdNo);
    EXPECT_FALSE(presenter_.Save());  // Save As offered, and cancelled
    ASSERT_EQ(prompt_.asked().size(), 1u);
    EXPECT_EQ(prompt_.asked()[0].text, std::string(MessageText(msg::kOlderFormatOverwrite)));
    EXPECT_EQ(prompt_.asked()[0].flags, mb::kYesNo | mb::kIconQuestion | mb::kDefaultButton2);
    EXPECT_EQ(prompt_.fileRequests().size(), 1u);
    EXPECT_TRUE(config_.IsOlderFormat());

    prompt_.QueueAnswer(mb::kIdYes);
    EXPECT_TRUE(presenter_.Save());
    EXPECT_FALSE(config_.IsOlderFormat());
    EXPECT_EQ(prompt_.fileRequests().size(), 1u);
}

TEST_F(FileCommandTest, startupOpensTheGivenFileAndQuietlyStartsNewWhenTheRememberedOneIsMissing) {
    // First start: the default name does not exist, no message.
    presenter_.Startup();
    EXPECT_TRUE(prompt_.asked().empty());
    EXPECT_EQ(TreeTexts(), std::vector<std::string>{"Home"});

    // A file named on the command line that cannot be read is reported.
    app_.ApplyCommandLine({PathOf("missing.cfg")});
    presenter_.Startup();
    EXPECT_EQ(prompt_.asked().size(), 1u);
    EXPECT_EQ(config_.GetPath(), "");

    Home().SetName("Stored");
    ASSERT_TRUE(SaveNetworkConfiguration(config_, PathOf("given.cfx")));
    config_.New();
    app_.ApplyCommandLine({PathOf("given.cfx")});
    presenter_.Startup();
    EXPECT_EQ(TreeTexts(), std::vector<std::string>{"Stored"});
    EXPECT_EQ(recent_.Entries(), std::vector<std::string>{PathOf("given.cfx")});
}

TEST(RecentFileListTest, keepsTenNewestFirstWithoutDuplicatesAcrossRuns) {
    MemorySettingsStore store;
    RecentFileList list;
    for (int i = 0; i < 12; ++i)
        list.Add("/data/net" + std::to_string(i) + ".cfg");
    list.Add("/data/./net5.cfg");
    ASSERT_EQ(list.Entries().size(), RecentFileList::kMaxEntries);
    EXPECT_EQ(list.Entries()[0], "/data/net5.cfg");
    EXPECT_EQ(list.Entries()[1], "/data/net11.cfg");
    EXPECT_EQ(list.Entries()[9], "/data/net2.cfg");
    ASSERT_TRUE(list.Save(store));

    RecentFileList shorter;
    shorter.Add("/only.cfg");
    ASSERT_TRUE(shorter.Save(store));
    RecentFileList reread;
    reread.Load(store);
    EXPECT_EQ(reread.Entries(), std::vector<std::string>{"/only.cfg"});
}

using TreeEditTest = PresenterTest;

TEST_F(TreeEditTest, deleteAsksWithTheNodesNameAndRemovesEverythingBelow) {
    CSiteNode& roof = Add<CSiteNode>(config_.Sites(), "Roof", Home().GetId());
    Add<CInstrumentConnectedNode>(config_.ConnectedInstruments(), "Ozone", roof.GetId());
    presenter_.Select(roof.GetId());
    prompt_.QueueAnswer(mb::kIdNo);
    EXPECT_FALSE(presenter_.Execute(MainCommand::kDelete));
    ASSERT_EQ(prompt_.asked().size(), 1u);
    EXPECT_EQ(prompt_.asked()[0].text, "Delete \"Roof\"?");
    EXPECT_EQ(prompt_.asked()[0].caption, "Confirm");
    EXPECT_EQ(prompt_.asked()[0].flags, mb::kYesNo | mb::kIconQuestion | mb::kDefaultButton2);
    EXPECT_EQ(TreeTexts().size(), 3u);
    EXPECT_TRUE(view_.windowsClosed.empty());

    prompt_.QueueAnswer(mb::kIdYes);
    EXPECT_TRUE(presenter_.Execute(MainCommand::kDelete));
    EXPECT_EQ(TreeTexts(), std::vector<std::string>{"Home"});
    // The configuration windows of the instruments below went before their nodes.
    EXPECT_EQ(view_.windowsClosed, std::vector<std::string>{"Ozone"});
    EXPECT_TRUE(config_.ConnectedInstruments().empty());
    EXPECT_TRUE(config_.IsModified());
    EXPECT_EQ(presenter_.GetSelectedId(), Home().GetId());

    // Without the option nobody is asked; the first site is never offered for deleting.
    SetOption(&Options::confirmDeletes, false);
    presenter_.Select(Add<CSiteNode>(config_.Sites(), "Yard", 0).GetId());
    EXPECT_TRUE(presenter_.Execute(MainCommand::kDelete));
    EXPECT_EQ(prompt_.asked().size(), 2u);
    presenter_.Select(Home().GetId());
    EXPECT_FALSE(presenter_.IsEnabled(MainCommand::kDelete));
    EXPECT_FALSE(presenter_.Delete());
}

TEST_F(TreeEditTest, newNodesJoinOnOkUnderTheSelectionAndCancelDiscardsThem) {
    presenter_.Select(Home().GetId());
    EXPECT_FALSE(presenter_.NewSite());  // the properties dialog cancelled
    EXPECT_EQ(config_.Sites().size(), 1u);
    EXPECT_FALSE(config_.IsModified());

    view_.propertiesAnswers = {true, true, true};
    view_.onProperties = [](CTreeNode& node) {
        if (auto* mux = dynamic_cast<CMultiplexorNode*>(&node))
            mux->SetAddress("10.0.0.9");
    };
    ASSERT_TRUE(presenter_.NewSite());
    const CTreeNode& site = static_cast<CTreeNode&>(*config_.Sites().at(1));
    EXPECT_EQ(site.GetParentId(), Home().GetId());
    EXPECT_EQ(presenter_.GetSelectedId(), site.GetId());
    EXPECT_TRUE(Home().IsExpanded());
    EXPECT_TRUE(config_.IsModified());

    ASSERT_TRUE(presenter_.NewMultiplexor());
    const auto& mux = static_cast<CMultiplexorNode&>(*config_.Multiplexors().at(0));
    EXPECT_EQ(mux.GetParentId(), site.GetId());
    EXPECT_FALSE(presenter_.IsEnabled(MainCommand::kNewMultiplexor));  // a multiplexor is selected
    ASSERT_TRUE(presenter_.NewInstrument());
    const auto& behind = static_cast<CInstrumentMultiplexorNode&>(*config_.MultiplexorInstruments().at(0));
    EXPECT_EQ(behind.GetParentId(), mux.GetId());
    EXPECT_EQ(static_cast<CTCPConnection*>(behind.GetConnection())->GetHost(), "10.0.0.9");
    EXPECT_EQ(view_.edited, (std::vector<std::string>{"Local Site", "Local Site", "Local Multiplexor",
                                                      "Local Instrument"}));
    // An instrument holds nothing.
    EXPECT_FALSE(presenter_.IsEnabled(MainCommand::kNewInstrument));
    EXPECT_FALSE(presenter_.NewInstrument());
}

TEST_F(TreeEditTest, duplicateStandsBesideTheOriginalWithAFreshId) {
    auto& first = Add<CInstrumentConnectedNode>(config_.ConnectedInstruments(), "Ozone", Home().GetId());
    Add<CInstrumentConnectedNode>(config_.ConnectedInstruments(), "Dust", Home().GetId());
    presenter_.Select(first.GetId());
    ASSERT_TRUE(presenter_.Execute(MainCommand::kDuplicate));
    EXPECT_EQ(TreeTexts(), (std::vector<std::string>{"Home", "Ozone", "Copy of Ozone", "Dust"}));
    const CNamedObject& copy = *config_.ConnectedInstruments().at(1);
    EXPECT_NE(copy.GetId(), first.GetId());
    EXPECT_EQ(presenter_.GetSelectedId(), copy.GetId());
    EXPECT_TRUE(config_.IsModified());
}

TEST_F(TreeEditTest, theTreeShowsEveryNodeOnceAlsoWithMissingOrCircularHolders) {
    CSiteNode& a = Add<CSiteNode>(config_.Sites(), "A", Home().GetId());
    auto& mux = Add<CMultiplexorNode>(config_.Multiplexors(), "Mux", a.GetId());
    Add<CInstrumentMultiplexorNode>(config_.MultiplexorInstruments(), "Behind", mux.GetId());
    Add<CInstrumentConnectedNode>(config_.ConnectedInstruments(), "Direct", a.GetId());
    Add<CInstrumentConnectedNode>(config_.ConnectedInstruments(), "Orphan", 424242);
    CSiteNode& x = Add<CSiteNode>(config_.Sites(), "X", 0);
    CSiteNode& y = Add<CSiteNode>(config_.Sites(), "Y", x.GetId());
    x.SetParentId(y.GetId());
    const std::vector<TreeItem> items = presenter_.TreeItems();
    std::vector<std::string> lines;
    for (const TreeItem& item : items) {
        const CTreeNode* parent = item.parentItem ? config_.FindNode(item.parentItem) : nullptr;
        lines.push_back((parent ? parent->GetName() + "/" : std::string()) + item.text);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"Home", "Home/A", "A/Mux", "Mux/Behind", "A/Direct", "Orphan",
                                               "X", "X/Y"}));
    EXPECT_EQ(items[3].kind, TreeNodeKind::kMultiplexorInstrument);

    presenter_.SetExpanded(a.GetId(), true);
    EXPECT_TRUE(a.IsExpanded());
    EXPECT_TRUE(config_.IsModified());
    EXPECT_TRUE(presenter_.TreeItems()[1].expanded);
}

TEST_F(PresenterTest, availabilityFollowsTheSelection) {
    auto& node = Add<CInstrumentConnectedNode>(config_.ConnectedInstruments(), "Ozone", Home().GetId());
    presenter_.Select(0);
    for (MainCommand c :
         {MainCommand::kDuplicate, MainCommand::kProperties, MainCommand::kDelete, MainCommand::kConnect,
          MainCommand::kNewInstrument, MainCommand::kInstrumentInformation})
        EXPECT_FALSE(presenter_.IsEnabled(c)) << static_cast<int>(c);
    EXPECT_TRUE(presenter_.IsEnabled(MainCommand::kNewSite));
    presenter_.Select(node.GetId());
    for (MainCommand c : {MainCommand::kDuplicate, MainCommand::kProperties, MainCommand::kDelete,
                          MainCommand::kConnect, MainCommand::kInstrumentInformation})
        EXPECT_TRUE(presenter_.IsEnabled(c)) << static_cast<int>(c);
    EXPECT_TRUE(presenter_.AppliesToSelection(MainCommand::kConnect));
    EXPECT_FALSE(presenter_.AppliesToSelection(MainCommand::kNewSite));
    EXPECT_TRUE(presenter_.Execute(MainCommand::kInstrumentInformation));
    EXPECT_EQ(view_.informationShown, std::vector<std::string>{"Ozone"});
}

TEST_F(PresenterTest, settingsAndHelpCommandsAskAndReport) {
    SetOption(&Options::logErrors, true);
    prompt_.QueueAnswer(mb::kIdNo);
    EXPECT_FALSE(presenter_.Execute(MainCommand::kRestoreDefaults));
    EXPECT_EQ(prompt_.asked().back().text,
              "This operation will restore all the program options to their default settings. It will not "
              "alter the network configuration.\n\nRestore defaults?");
    EXPECT_TRUE(app_.GetOptions().logErrors);
    prompt_.QueueAnswer(mb::kIdYes);
    EXPECT_TRUE(presenter_.Execute(MainCommand::kRestoreDefaults));
    EXPECT_FALSE(app_.GetOptions().logErrors);
    EXPECT_EQ(view_.optionsApplied, 1);

    view_.optionsAnswer = true;
    EXPECT_TRUE(presenter_.Execute(MainCommand::kOptions));
    EXPECT_EQ(view_.optionsBusy, std::vector<bool>{false});
    EXPECT_EQ(view_.optionsApplied, 2);

    // No manual beside the program nor in its documentation folder: the message says where it
    // belongs, and no viewer is started.
    const std::filesystem::path bin = std::filesystem::temp_directory_path() / ("talven-bin-" + std::to_string(::getpid()));
    std::filesystem::create_directories(bin);
    view_.programDirectory = bin.string();
    EXPECT_FALSE(presenter_.Execute(MainCommand::kManual));
    EXPECT_TRUE(view_.documents.empty());
    EXPECT_EQ(prompt_.asked().back().caption, "Error");
    EXPECT_NE(prompt_.asked().back().text.find((bin / "TALVEN_User_Manual.pdf").string()), std::string::npos);
    // Found, but the desktop has no viewer for it.
    std::ofstream(bin / "TALVEN_User_Manual.pdf") << "%PDF-1.4";
    EXPECT_FALSE(presenter_.Execute(MainCommand::kManual));
    EXPECT_EQ(view_.documents, std::vector<std::string>{(bin / "TALVEN_User_Manual.pdf").string()});
    EXPECT_NE(prompt_.asked().back().text.find("PDF reader"), std::string::npos);
    std::filesystem::remove_all(bin);
}

TEST_F(PresenterTest, aLostLinkOfAKnownNodeIsReportedByName) {
    auto& node = Add<CInstrumentConnectedNode>(config_.ConnectedInstruments(), "Ozone", Home().GetId());
    presenter_.OnNotification(wm::kConnectionLost, 0, static_cast<std::intptr_t>(node.GetId()));
    presenter_.OnNotification(wm::kConnectionLost, 0, -1);  // a link that belongs to no node
    ASSERT_EQ(prompt_.asked().size(), 1u);
    EXPECT_EQ(prompt_.asked()[0].text, "Connection to site Ozone failed.");
    EXPECT_EQ(prompt_.asked()[0].caption, "Error");
}

TEST(MainCommandTable, menusAcceleratorsAndPromptsAreTheProgramsOwn) {
    struct Expected {
        MainCommand command;
        const char* text;
        const char* accelerator;
        const char* prompt;
    };
    const Expected expected[] = {
        {MainCommand::kNew, "&New", "Ctrl+N", "Creates a new, empty network configuration\nNew (Ctrl+N)"},
        {MainCommand::kOpen, "&Open", "Ctrl+O", "Opens an existing network configuration\nOpen (Ctrl+O)"},
        {MainCommand::kSave, "&Save", "Ctrl+S", "Saves current network configuration\nSave (Ctrl+S)"},
        {MainCommand::kSaveAs, "Save &as", "", "Saves current network configuration to a new file\nSave as"},
        {MainCommand::kConnect, "&Connect", "Ctrl+C", "Connects to selected instrument\nConnect (Ctrl+C)"},
        {MainCommand::kExit, "E&xit", "Alt+F4",
         "Quits the application; prompts to save documents\nExit (Alt+F4)"},
        {MainCommand::kNewSite, "New &site", "", "Creates a new site\nNew site"},
        {MainCommand::kNewInstrument, "New i&nstrument", "",
         "Creates a new instrument at the selected site\nNew instrument"},
        {MainCommand::kDuplicate, "D&uplicate", "",
         "Creates a copy of the selected site or instrument\nDuplicate"},
        {MainCommand::kProperties, "&Properties", "",
         "Edits properties of selected site or instrument\nProperties"},
        {MainCommand::kDelete, "&Delete", "", "Deletes selected site or instrument\nDelete"},
        {MainCommand::kModems, "&Modems", "", "Edits list of modems\nEdit modems"},
        {MainCommand::kOptions, "&Options", "", "Changes program options\nChange options"},
        {MainCommand::kRestoreDefaults, "&Restore defaults", "",
         "Restores program options to defaults\nRestore defaults"},
        {MainCommand::kBackgroundColor, "&Background color", "",
         "Selects main window background color\nBackground color"},
        {MainCommand::kAbout, "&About", "Ctrl+A", nullptr},
        {MainCommand::kManual, "&Manual", "F1", "Opens user manual\nManual"},
        {MainCommand::kNewMultiplexor, nullptr, "",
         "Creates a new multiplexor at the selected site\nNew multiplexor"},
    };
    for (const Expected& e : expected) {
        const MainCommandInfo& info = GetCommandInfo(e.command);
        EXPECT_EQ(info.command, e.command);
        if (e.text) {
            EXPECT_STREQ(info.text, e.text);
        }
        EXPECT_STREQ(info.accelerator, e.accelerator) << info.text;
        if (e.prompt) {
            EXPECT_EQ(std::string(MessageText(info.promptId)), e.prompt);
        }
    }
    EXPECT_EQ(StatusPromptOf(msg::kPromptNew), "Creates a new, empty network configuration");
    EXPECT_EQ(ToolTipOf(msg::kPromptNew), "New (Ctrl+N)");
}

}  // namespace
}  // namespace talven::test
