// The options sheet: page limits with their messages, the date-format page's slots, Restore
// defaults, and what OK and Cancel do to the application's options and its log.

#include "app/ui/OptionsSheet.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "app/SettingsStore.h"
#include "app/TalvenApp.h"
#include "foundation/UserPrompt.h"

namespace talven {
namespace {

class OptionsSheetTest : public ::testing::Test {
  protected:
    OptionsSheetTest() {
        std::string pattern = (std::filesystem::temp_directory_path() / "talven-opt-XXXXXX").string();
        dir = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~OptionsSheetTest() override { std::filesystem::remove_all(dir); }

    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const auto& a : prompt.asked())
            out.push_back(a.text + " | " + a.caption);
        return out;
    }

    std::string dir;
    ScriptedPrompt prompt;
    ScopedUserPrompt scoped{&prompt};
    MemorySettingsStore store;
};

TEST_F(OptionsSheetTest, frontPanelIntervalOutsideOneToSixtyIsRefusedWithTheRangeMessage) {
    COptionsPropertySheet sheet(Options(), false);
    for (const char* refused : {"0", "61", "-5", "99999999999999999999"}) {
        sheet.SetIntervalText(refused);
        EXPECT_FALSE(sheet.CheckPage(kOptFrontPanelPage)) << refused;
    }
    sheet.SetIntervalText("ten");
    EXPECT_FALSE(sheet.CheckPage(kOptFrontPanelPage));
    ASSERT_EQ(prompt.asked().size(), 5u);
    EXPECT_EQ(Texts()[0], "Please enter an integer between 1 and 60. | Error");
    EXPECT_EQ(Texts()[4], "Please enter an integer. | Error");
    EXPECT_EQ(prompt.asked()[0].flags, mb::kOk | mb::kIconWarning);
    // The other pages never look at the interval: OK stops at the Front Panel page.
    EXPECT_FALSE(sheet.Confirm());
    EXPECT_EQ(sheet.FailedPage(), kOptFrontPanelPage);

    for (const char* accepted : {"1", " 60 "}) {
        sheet.SetIntervalText(accepted);
        EXPECT_TRUE(sheet.Confirm()) << accepted;
    }
    EXPECT_EQ(sheet.Result().frontPanelInterval, 60u);
}

TEST_F(OptionsSheetTest, anyLoggingOptionWithoutAFileNameIsRefusedAndAllOffIsAccepted) {
    COptionsPropertySheet sheet(Options(), false);
    sheet.Edited().logFileName = "";
    EXPECT_TRUE(sheet.CheckPage(kOptLoggingPage));  // all three off
    for (bool Options::*option : {&Options::logCommands, &Options::logResponses, &Options::logErrors}) {
        Options& o = sheet.Edited();
        o.logCommands = o.logResponses = o.logErrors = false;
        o.*option = true;
        EXPECT_FALSE(sheet.CheckPage(kOptLoggingPage));
    }
    sheet.Edited().logFileName = "   ";
    EXPECT_FALSE(sheet.Confirm());
    EXPECT_EQ(sheet.FailedPage(), kOptLoggingPage);
    ASSERT_EQ(prompt.asked().size(), 4u);
    for (const std::string& text : Texts())
        EXPECT_EQ(text, "Please enter a name for the log file. | Error");
    sheet.Edited().logFileName = "net.log";
    EXPECT_TRUE(sheet.Confirm());
}

TEST_F(OptionsSheetTest, dateFormatPageEditsTheSelectedSlotOnlyAndDefaultsResetAllSix) {
    Options start;
    start.SetDateFormat(0, "held");
    COptionsPropertySheet sheet(start, false);
    ASSERT_EQ(COptionsPropertySheet::DateFormatUses().size(), 5u);
    EXPECT_EQ(COptionsPropertySheet::DateFormatUses()[0], "Log file entries");
    EXPECT_EQ(sheet.GetSelectedUse(), 0);
    sheet.SetFormatText("%H:%M");
    sheet.SelectUse(3);
    EXPECT_EQ(sheet.GetFormatText(), "%Y%m%d");
    sheet.SetFormatText("%Y-%m-%d");
    sheet.SelectUse(9);  // not a use: the selection stays
    EXPECT_EQ(sheet.GetSelectedUse(), 3);
    EXPECT_EQ(sheet.Result().DateFormat(1), "%H:%M");
    EXPECT_EQ(sheet.Result().DateFormat(4), "%Y-%m-%d");
    EXPECT_EQ(sheet.Result().DateFormat(2), Options().DateFormat(2));
    EXPECT_EQ(sheet.Result().DateFormat(0), "held");

    sheet.RestoreDateFormatDefaults();
    EXPECT_EQ(sheet.Result().dateFormats, Options().dateFormats);
    EXPECT_EQ(sheet.GetFormatText(), "%Y%m%d");  // the selected use shows its default
}

TEST_F(OptionsSheetTest, cancelLeavesEveryOptionAndTheLogAlone) {
    CTALVENApp app(store);
    Options before = app.GetOptions();
    before.logFileName = dir + "/events.txt";
    app.SetOptions(before);
    {
        COptionsPropertySheet sheet(app.GetOptions(), false);
        sheet.Edited().saveOnExit = true;
        sheet.Edited().logErrors = true;
        sheet.SetIntervalText("30");
        sheet.SetFormatText("%j");
        ASSERT_TRUE(sheet.Confirm());
    }  // closed with Cancel: nothing applied
    EXPECT_EQ(app.GetOptions(), before);
    EXPECT_FALSE(app.log().IsOpen());
    EXPECT_FALSE(std::filesystem::exists(dir + "/events.txt"));
}

TEST_F(OptionsSheetTest, okStoresTheOptionsAndReopensTheLogWithThem) {
    CTALVENApp app(store);
    COptionsPropertySheet sheet(app.GetOptions(), false);
    sheet.Edited().logErrors = true;
    sheet.Edited().logFileName = dir + "/events.txt";
    sheet.Edited().detectFailedConnections = false;
    sheet.SetIntervalText("12");
    ASSERT_TRUE(sheet.Confirm());
    EXPECT_TRUE(ApplyOptions(app, sheet.Result()));
    EXPECT_EQ(app.GetOptions().frontPanelInterval, 12u);
    EXPECT_FALSE(app.GetOptions().detectFailedConnections);
    EXPECT_TRUE(app.log().IsOpen());
    EXPECT_TRUE(std::filesystem::exists(dir + "/events.txt"));
    // OK again without a change: nothing changed, though the log is reopened.
    COptionsPropertySheet again(app.GetOptions(), false);
    ASSERT_TRUE(again.Confirm());
    EXPECT_FALSE(ApplyOptions(app, again.Result()));
    app.CloseLog();
}

TEST_F(OptionsSheetTest, restoreDefaultsAsksFirstKeepsThePathAndIsRefusedWhileBusy) {
    Options changed;
    changed.networkConfigPath = "/data/net.cfg";
    changed.frontPanelInterval = 42;
    changed.confirmDeletes = false;
    changed.logCommands = true;
    changed.SetDateFormat(5, "%y");

    COptionsPropertySheet busy(changed, true);
    EXPECT_FALSE(busy.RestoreDefaults());
    EXPECT_TRUE(prompt.asked().empty());
    EXPECT_EQ(busy.Result(), changed);

    COptionsPropertySheet sheet(changed, false);
    prompt.QueueAnswer(mb::kIdNo);
    EXPECT_FALSE(sheet.RestoreDefaults());
    EXPECT_EQ(sheet.Result(), changed);
    prompt.QueueAnswer(mb::kIdYes);
    EXPECT_TRUE(sheet.RestoreDefaults());
    ASSERT_EQ(prompt.asked().size(), 2u);
    EXPECT_EQ(prompt.asked()[0].text,
              "This operation will restore all the program options to their default settings. It will not "
              "alter the "
              "network configuration.\n\nRestore defaults?");
    EXPECT_EQ(prompt.asked()[0].caption, "Confirm");
    EXPECT_EQ(prompt.asked()[0].flags & 0xF0Fu, mb::kYesNo | mb::kDefaultButton2);
    Options expected;
    expected.networkConfigPath = "/data/net.cfg";
    EXPECT_EQ(sheet.Result(), expected);
    EXPECT_EQ(sheet.GetIntervalText(), "5");
}

TEST_F(OptionsSheetTest, browsingForTheLogFileOffersTextFilesAndTakesTheChosenPath) {
    Options o;
    o.logFileName = "old.txt";
    COptionsPropertySheet sheet(o, false);
    prompt.QueueFile(std::nullopt);
    EXPECT_FALSE(sheet.BrowseLogFile());
    EXPECT_EQ(sheet.Result().logFileName, "old.txt");
    prompt.QueueFile("/var/log/talven.txt");
    EXPECT_TRUE(sheet.BrowseLogFile());
    EXPECT_EQ(sheet.Result().logFileName, "/var/log/talven.txt");
    const FileDialogRequest r = prompt.fileRequests().at(0);
    EXPECT_EQ(r.filter, "Log Files (*.txt)|*.txt|All Files (*.*)|*.*||");
    EXPECT_EQ(r.defaultExtension, ".txt");
    EXPECT_EQ(r.initialName, "old.txt");
    EXPECT_TRUE(r.promptOverwrite);
}

}  // namespace
}  // namespace talven
