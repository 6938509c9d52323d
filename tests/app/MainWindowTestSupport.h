#pragma once
// The main window's presenter under test: an application on a memory store, a configuration made
// current, scripted answers, a private directory, and a view that records what it was asked.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "app/CoreStartup.h"
#include "app/MainWindowPresenter.h"
#include "app/RecentFiles.h"
#include "app/TalvenApp.h"
#include "foundation/UserPrompt.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "network/TreeNode.h"

namespace talven::test {

class RecordingView : public MainWindowView {
  public:
    void RefreshTree(std::uint32_t selectId) override {
        ++treeRefreshes;
        lastSelect = selectId;
    }
    void RefreshCommands() override { ++commandRefreshes; }
    void ApplyOptions() override { ++optionsApplied; }
    /// Answers from propertiesAnswers (Cancel when none is left); onProperties plays the user's edits.
    bool EditNodeProperties(CTreeNode& node) override {
        edited.push_back(node.GetName());
        if (propertiesAnswers.empty())
            return false;
        const bool ok = propertiesAnswers.front();
        propertiesAnswers.pop_front();
        if (ok && onProperties)
            onProperties(node);
        return ok;
    }
    bool EditOptions(bool busy) override {
        optionsBusy.push_back(busy);
        return optionsAnswer;
    }
    void EditModems() override { ++modemsEdited; }
    void ShowInstrumentInformation(CInstrumentNode& node) override {
        informationShown.push_back(node.GetName());
    }
    bool OpenDocument(const std::string& fileName) override {
        documents.push_back(fileName);
        return documentOpens;
    }
    std::string ProgramDirectory() const override { return programDirectory; }
    bool ConnectInstrument(CInstrumentNode& node) override {
        connected.push_back(node.GetName());
        return MainWindowView::ConnectInstrument(node);
    }
    void CloseWindowsOf(const CInstrumentNode* node) override {
        windowsClosed.push_back(node ? node->GetName() : "*");
    }

    int treeRefreshes = 0;
    std::uint32_t lastSelect = 0;
    int commandRefreshes = 0;
    int optionsApplied = 0;
    std::deque<bool> propertiesAnswers;
    std::function<void(CTreeNode&)> onProperties;
    std::vector<std::string> edited;
    bool optionsAnswer = false;
    std::vector<bool> optionsBusy;
    int modemsEdited = 0;
    std::vector<std::string> informationShown;
    bool documentOpens = false;
    std::vector<std::string> documents;
    std::string programDirectory = ".";
    std::vector<std::string> windowsClosed;
    std::vector<std::string> connected;
};

class PresenterTest : public ::testing::Test {
  protected:
    PresenterTest() : app_(store_), current_(&config_), promptScope_(&prompt_) {
        InitializeCore();
        std::string pattern = (std::filesystem::temp_directory_path() / "talven-main-XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
        config_.New();
    }
    ~PresenterTest() override {
        if (!dir_.empty())
            std::filesystem::remove_all(dir_);
    }

    std::string PathOf(const std::string& name) const { return dir_ + "/" + name; }
    static void WriteFile(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    CSiteNode& Home() { return static_cast<CSiteNode&>(*config_.Sites().at(0)); }
    template <class Node>
    Node& Add(CNamedObjectList& list, const std::string& name, std::uint32_t parentId) {
        auto node = std::make_unique<Node>();
        node->SetName(name);
        node->SetParentId(parentId);
        Node& ref = *node;
        list.Append(std::move(node));
        return ref;
    }
    void SetOption(bool Options::*field, bool value) {
        Options o = app_.GetOptions();
        o.*field = value;
        app_.SetOptions(o);
    }
    std::vector<std::string> TreeTexts() const {
        std::vector<std::string> texts;
        for (const TreeItem& item : presenter_.TreeItems())
            texts.push_back(item.text);
        return texts;
    }

    MemorySettingsStore store_;
    CTALVENApp app_;
    CNetworkConfiguration config_;
    ScopedNetworkConfiguration current_;
    ScriptedPrompt prompt_;
    ScopedUserPrompt promptScope_;
    RecentFileList recent_;
    RecordingView view_;
    MainWindowPresenter presenter_{app_, config_, recent_, view_};
    std::string dir_;
};

}  // namespace talven::test
