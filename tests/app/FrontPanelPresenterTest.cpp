// The front panel's display layout, readings table, lights, panel kinds and window rules, driven
// with display texts as the instruments send them.

#include <gtest/gtest.h>

#include "FrontPanelTestSupport.h"
#include "app/FrontPanelPresenter.h"
#include "foundation/DateTime.h"
#include "foundation/Notifier.h"
#include "foundation/UserPrompt.h"
#include "network/InstrumentNode.h"
#include "session/InstrumentSession.h"
#include "session/SessionEnvironment.h"

namespace talven {
namespace {

using test::PanelDisplay;
using test::RecordingPanelView;
using test::WithReading;

constexpr PanelColour kBlack{0, 0, 0};
constexpr PanelColour kRed{245, 0, 0};
constexpr PanelColour kBlue{0, 122, 228};
constexpr PanelColour kDarkBlue{0, 58, 102};

class FrontPanelTest : public ::testing::Test {
  protected:
    FrontPanelPresenter MakePresenter(CInstrumentSession* session = nullptr) {
        return FrontPanelPresenter("Roof", [session] { return session; }, view);
    }
    /// The gas names of the table, in order.
    static std::vector<std::string> Names(const FrontPanelPresenter& p) {
        std::vector<std::string> names;
        for (const PanelReading& r : p.Readings())
            names.push_back(r.name);
        return names;
    }

    RecordingPanelView view;
};

TEST_F(FrontPanelTest, titleNamesTheNode) {
    EXPECT_EQ(MakePresenter().Title(), "Talven Remote Interface - Roof");
    FrontPanelPresenter unnamed("", [] { return nullptr; }, view);
    EXPECT_EQ(unnamed.Title(), "Talven Remote Interface");
}

TEST_F(FrontPanelTest, statusMessageReplacesTheDisplayUntilTheNextInstrumentDisplay) {
    FrontPanelPresenter p = MakePresenter();
    p.ShowDisplayTexts(WithReading("NO=12.3"));
    p.OnRowLayoutTimer();
    ASSERT_TRUE(p.IsLineShown(0));

    p.ShowDisplayTexts({":Connecting to Roof...", "", ""});
    EXPECT_TRUE(p.IsStatusShown());
    EXPECT_EQ(p.MessageField(), (PanelField{"Connecting to Roof...", panel::kStatusColour, false}));
    EXPECT_EQ(p.ModeField().text, "");
    EXPECT_EQ(p.ReadingLines()[0].gas.text, "");
    EXPECT_FALSE(p.IsLineShown(0));
    // The one-second timer must not bring the readings back beside the status message.
    p.OnSecondTick();
    EXPECT_EQ(p.ReadingLines()[0].gas.text, "");
    // A second status replaces the first.
    p.ShowDisplayTexts({":Setting instrument mode...", "", ""});
    EXPECT_EQ(p.MessageField().text, "Setting instrument mode...");

    p.ShowDisplayTexts(PanelDisplay{}.Texts());
    EXPECT_FALSE(p.IsStatusShown());
    EXPECT_EQ(p.ModeField().text, "SAMPLE");
    EXPECT_EQ(p.MessageField().text, "RANGE=20.0 PPB");
    EXPECT_EQ(p.ReadingLines()[0].gas.text, "NO");
    EXPECT_TRUE(p.IsLineShown(0));
}

TEST_F(FrontPanelTest, lineOneGivesModeMessageAndReadingOnlyWhenTheReadingStandsApart) {
    FrontPanelPresenter p = MakePresenter();
    p.ShowDisplayTexts(WithReading("NOX=45.1"));
    EXPECT_EQ(p.ModeField().text, "SAMPLE");
    EXPECT_EQ(p.MessageField().text, "RANGE=20.0 PPB");
    ASSERT_EQ(Names(p), (std::vector<std::string>{"NOX "}));

    // A message running into the reading's place is one text of 28 characters, not a reading.
    PanelDisplay joined;
    joined.message = "SYSTEM RESET AT 12:";  // fills its 19 places: no blank before the reading
    joined.reading = "NO=1.0";
    p.ShowDisplayTexts(joined.Texts());
    EXPECT_EQ(p.MessageField().text, "SYSTEM RESET AT 12:NO=1.0");
    EXPECT_EQ(Names(p), (std::vector<std::string>{"NOX "}));

    PanelDisplay notReading;
    notReading.reading = "AUTO=ON";
    p.ShowDisplayTexts(notReading.Texts());
    EXPECT_EQ(p.MessageField().text, "RANGE=20.0 PPB     AUTO=ON");
    EXPECT_EQ(Names(p), (std::vector<std::string>{"NOX "}));
}

TEST_F(FrontPanelTest, readingTestDiffersBetweenTheLayouts) {
    struct Case {
        const char* text;
        bool analyzer;
        bool calibrator;
    };
    const Case cases[] = {
        {"NO=12.3  ", true, true},   {"NOX=-0.4 ", true, true},  {"SO2=XXXX ", true, true},
        {"O3= 1.5  ", true, true},   {"X=12.5   ", false, true}, {"ACT=OFF  ", false, true},
        {"ACT=ZERO ", false, true},  {"ACT=ON   ", false, false}, {"GASES=1.0", false, false},
        {"NO=1.0", false, false},    {"=12.3    ", false, false}, {"NO2 12.3 ", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(panel::IsReading(c.text, false), c.analyzer) << c.text;
        EXPECT_EQ(panel::IsReading(c.text, true), c.calibrator) << c.text;
    }
}

TEST_F(FrontPanelTest, keyCaptionsComeFromLineTwoInTheirOwnColour) {
    FrontPanelPresenter p = MakePresenter();
    EXPECT_EQ(p.KeyCaptions()[0].caption.text, "&1");
    EXPECT_TRUE(p.KeyCaptions()[0].mnemonic);
    PanelDisplay d;
    d.keys = {"<TST", "TST>", " CAL ", "SPANX", "", "", "A&B", "SETUP"};
    p.ShowDisplayTexts(d.Texts());
    const std::vector<std::string> expected{"<TST", "TST>", "CAL", "SPANX", "", "", "A&B", "SETUP"};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(p.KeyCaptions()[i].caption.text, expected[i]);
        EXPECT_FALSE(p.KeyCaptions()[i].mnemonic);
        EXPECT_EQ(p.KeyCaptions()[i].caption.colour, kDarkBlue);
    }
}

TEST_F(FrontPanelTest, attributeBytesGiveColoursAndEmphasis) {
    const std::pair<unsigned char, PanelColour> table[] = {
        {0, kBlack}, {1, kRed},  {2, kBlue},    {3, kBlue},  {4, kBlue},
        {5, kBlue},  {6, kBlue}, {7, kDarkBlue}, {'1', kRed}, {0x80, kBlack},
    };
    for (const auto& [attribute, colour] : table)
        EXPECT_EQ(panel::AttributeColour(attribute), colour) << int(attribute);
    EXPECT_TRUE(panel::AttributeEmphasis('r'));
    EXPECT_FALSE(panel::AttributeEmphasis('2'));

    FrontPanelPresenter p = MakePresenter();
    PanelDisplay warning;
    warning.message = "BOX TEMP WARNING";
    warning.messageAttribute = '1';
    warning.modeAttribute = 'r';
    p.ShowDisplayTexts(warning.Texts());
    EXPECT_EQ(p.MessageField(), (PanelField{"BOX TEMP WARNING", kRed, false}));
    EXPECT_EQ(p.ModeField(), (PanelField{"SAMPLE", kBlue, true}));

    // Colour comes from text 2, emphasis from text 3.
    std::array<std::string, 3> texts = warning.Texts();
    texts[2] = std::string(80, '0');
    p.ShowDisplayTexts(texts);
    EXPECT_EQ(p.ModeField(), (PanelField{"SAMPLE", kBlue, false}));

    // Attribute texts that do not match text 1 describe nothing: black, plain.
    texts = warning.Texts();
    texts[1].pop_back();
    texts[2] = "r";
    p.ShowDisplayTexts(texts);
    EXPECT_EQ(p.MessageField(), (PanelField{"BOX TEMP WARNING", kBlack, false}));
    EXPECT_EQ(p.ModeField(), (PanelField{"SAMPLE", kBlack, false}));

    // A display without attributes at all (an instrument without formatted display).
    p.ShowDisplayTexts({warning.Text(), "", ""});
    EXPECT_EQ(p.MessageField(), (PanelField{"BOX TEMP WARNING", kBlack, false}));
}

TEST_F(FrontPanelTest, shortLongAndEmptyDisplayTextsAreLaidOutWithoutLoss) {
    FrontPanelPresenter p = MakePresenter();
    p.ShowDisplayTexts({"", "", ""});
    EXPECT_EQ(p.ModeField().text, "");
    EXPECT_EQ(p.KeyCaptions()[7].caption.text, "");
    p.ShowDisplayTexts({"SAMPLE", "", ""});
    EXPECT_EQ(p.ModeField().text, "SAMPLE");
    // Beyond the two lines of 40 nothing is shown; the fields still take their parts.
    p.ShowDisplayTexts({PanelDisplay{}.Text() + "TRAILING GARBAGE", "", ""});
    EXPECT_EQ(p.KeyCaptions()[7].caption.text, "SETUP");
    p.ShowDisplayTexts({":", "", ""});
    EXPECT_TRUE(p.IsStatusShown());
    EXPECT_EQ(p.MessageField().text, "");
}

TEST_F(FrontPanelTest, readingsAccumulateSortedByNameAndReplaceTheirRow) {
    FrontPanelPresenter p = MakePresenter();
    p.ShowDisplayTexts(WithReading("NO=12.3"));
    p.ShowDisplayTexts(WithReading("NOX=30.1"));
    p.ShowDisplayTexts(WithReading("CO=0.4"));
    p.ShowDisplayTexts(WithReading("NO2=17.8"));
    // Byte order of the four-character names: "NO  " before "NO2 " before "NOX ".
    EXPECT_EQ(Names(p), (std::vector<std::string>{"CO  ", "NO  ", "NO2 ", "NOX "}));
    p.ShowDisplayTexts(WithReading("NO=12.9"));
    ASSERT_EQ(p.Readings().size(), 4u);
    EXPECT_EQ(p.Readings()[1].value, "12.9");
    EXPECT_EQ(p.ReadingLines()[1].gas.text, "NO");
    EXPECT_EQ(p.ReadingLines()[1].concentration.text, "12.9");
    p.ShowDisplayTexts(WithReading("NOXX=1.0"));
    EXPECT_EQ(Names(p), (std::vector<std::string>{"CO  ", "NO  ", "NO2 ", "NOX ", "NOXX"}));
    EXPECT_EQ(p.Readings()[3].value, "30.1");
}

TEST_F(FrontPanelTest, theEleventhReadingDropsTheLastRow) {
    FrontPanelPresenter p = MakePresenter();
    for (char c = 'B'; c < 'B' + 10; ++c)
        p.ShowDisplayTexts(WithReading(std::string("G") + c + "=1.0"));
    ASSERT_EQ(p.Readings().size(), 10u);
    EXPECT_EQ(p.Readings().back().name, "GK  ");
    // A new name sorting first pushes every row down; the tenth falls off.
    p.ShowDisplayTexts(WithReading("GA=2.0"));
    ASSERT_EQ(p.Readings().size(), 10u);
    EXPECT_EQ(p.Readings().front().name, "GA  ");
    EXPECT_EQ(p.Readings().back().name, "GJ  ");
    // One sorting after every row is itself the row that falls off.
    p.ShowDisplayTexts(WithReading("GZ=3.0"));
    EXPECT_EQ(p.Readings().back().name, "GJ  ");
    EXPECT_EQ(p.ReadingLines()[9].gas.text, "GJ");
}

TEST_F(FrontPanelTest, readingValuesShowDashesUnitsAndTheStarColour) {
    FrontPanelPresenter p = MakePresenter();
    p.ShowDisplayTexts(WithReading("SO2=XXXX"));
    p.ShowDisplayTexts(WithReading("NO=1 PPB"));
    p.ShowDisplayTexts(WithReading("O3=12.5*"));
    p.ShowDisplayTexts(WithReading("CO= 4.25"));
    const auto& lines = p.ReadingLines();
    // CO, NO, O3, SO2
    EXPECT_EQ(lines[0].concentration.text, "4.25");
    EXPECT_EQ(lines[0].units.text, "");
    EXPECT_EQ(lines[1].concentration.text, "1");
    EXPECT_EQ(lines[1].units.text, "PPB");
    EXPECT_EQ(lines[2].concentration.text, "12.5");
    EXPECT_EQ(lines[2].gas.colour, panel::kStarredColour);
    EXPECT_EQ(lines[2].units.colour, panel::kStarredColour);
    EXPECT_EQ(lines[3].gas.text, "SO2");
    EXPECT_EQ(lines[3].concentration.text, "------");
}

TEST_F(FrontPanelTest, aWrittenRowIsHighlightedUntilTheSecondTickAfter) {
    FrontPanelPresenter p = MakePresenter();
    p.ShowDisplayTexts(WithReading("NO=12.3", 'r'));
    EXPECT_EQ(p.ReadingLines()[0].gas.colour, panel::kHighlightColour);
    EXPECT_TRUE(p.ReadingLines()[0].concentration.emphasis);
    p.OnSecondTick();
    EXPECT_EQ(p.ReadingLines()[0].gas.colour, panel::kHighlightColour);
    p.ShowDisplayTexts(WithReading("NOX=30.1", '1'));
    p.OnSecondTick();
    // NO was written two ticks ago and shows its own colour again; NOX one tick ago.
    EXPECT_EQ(p.ReadingLines()[0].gas.colour, kBlue);
    EXPECT_TRUE(p.ReadingLines()[0].gas.emphasis);
    EXPECT_EQ(p.ReadingLines()[1].gas.colour, panel::kHighlightColour);
    p.OnSecondTick();
    EXPECT_EQ(p.ReadingLines()[1].gas.colour, kRed);
    EXPECT_FALSE(p.ReadingLines()[1].gas.emphasis);
    // Written again: highlighted again.
    p.ShowDisplayTexts(WithReading("NO=12.4", 'r'));
    EXPECT_EQ(p.ReadingLines()[0].units.colour, panel::kHighlightColour);
}

TEST_F(FrontPanelTest, theReadingAreaIsLaidOutWhenTheRowTimerFires) {
    FrontPanelPresenter p = MakePresenter();
    EXPECT_EQ(p.RowSlots(), 5);
    p.ShowDisplayTexts(WithReading("NO=12.3"));
    EXPECT_EQ(view.timerStarts, (std::vector<int>{200}));
    EXPECT_FALSE(p.IsLineShown(0));
    p.OnRowLayoutTimer();
    EXPECT_TRUE(p.IsLineShown(0));
    EXPECT_FALSE(p.IsLineShown(1));
    EXPECT_EQ(p.RowSlots(), 5);
    // A replaced row does not change the count: no new layout.
    p.ShowDisplayTexts(WithReading("NO=12.4"));
    EXPECT_EQ(view.timerStarts.size(), 1u);
    for (const char* r : {"NO2=1.0", "NOX=1.0", "CO=1.0", "O3=1.0", "SO2=1.0"})
        p.ShowDisplayTexts(WithReading(r));
    EXPECT_EQ(view.timerStarts.size(), 6u);
    EXPECT_EQ(p.RowSlots(), 5);  // not yet laid out
    p.OnRowLayoutTimer();
    EXPECT_EQ(p.RowSlots(), 6);
    EXPECT_TRUE(p.IsLineShown(5));
    EXPECT_FALSE(p.IsLineShown(6));
}

TEST_F(FrontPanelTest, calibratorLayoutTakesItsOwnReadingsIntoFourRows) {
    FrontPanelPresenter p = MakePresenter();
    p.ShowDisplayTexts(WithReading("NO=12.3"));
    p.SetLayoutFrom("csuqlbgjpAB");
    EXPECT_EQ(p.Layout(), PanelLayout::kCalibrator);
    EXPECT_TRUE(p.Readings().empty());
    EXPECT_EQ(p.ReadingLines().size(), 4u);
    EXPECT_EQ(p.RowSlots(), 4);

    PanelDisplay d;
    d.mode = "GENERATE";
    d.message = "TARGET FLOW=5.000";
    d.reading = "NO=400PPB";
    p.ShowDisplayTexts(d.Texts());
    d.reading = "ACT=OFF";
    p.ShowDisplayTexts(d.Texts());
    d.reading = "X=ZERO";
    p.ShowDisplayTexts(d.Texts());
    EXPECT_EQ(p.MessageField().text, "TARGET FLOW=5.000");
    EXPECT_EQ(Names(p), (std::vector<std::string>{"ACT ", "NO  ", "X   "}));
    const auto& lines = p.ReadingLines();
    EXPECT_EQ(lines[0].secondConcentration.text, "OFF");
    EXPECT_EQ(lines[0].concentration.text, "");
    EXPECT_EQ(lines[1].concentration.text, "400");
    EXPECT_EQ(lines[1].units.text, "PPB");
    EXPECT_EQ(lines[2].secondConcentration.text, "ZERO");
    EXPECT_TRUE(p.IsLineShown(2));
    EXPECT_FALSE(p.IsLineShown(3));
    // Only the analyzer's first reading asked for a row layout; the calibrator's rows are fixed.
    EXPECT_EQ(view.timerStarts.size(), 1u);

    for (const char* r : {"A=1.0", "B=1.0", "C=1.0"})
        p.ShowDisplayTexts(WithReading(r));
    EXPECT_EQ(Names(p), (std::vector<std::string>{"A   ", "ACT ", "B   ", "C   "}));
}

TEST_F(FrontPanelTest, aLightInStateTwoAlternatesOnceASecond) {
    FrontPanelPresenter p = MakePresenter();
    p.SetLightNames({"SAMPLE", "CAL", "FAULT"});
    EXPECT_TRUE(p.Lights()[0].nameShown);
    EXPECT_EQ(p.Lights()[2].name, "FAULT");
    p.SetLightStates({1, 2, 0});
    std::vector<bool> blinking;
    for (int tick = 0; tick < 4; ++tick) {
        p.OnSecondTick();
        EXPECT_TRUE(p.Lights()[0].lit);
        EXPECT_FALSE(p.Lights()[2].lit);
        blinking.push_back(p.Lights()[1].lit);
    }
    EXPECT_EQ(blinking, (std::vector<bool>{false, true, false, true}));
    EXPECT_EQ(p.TickCount(), 4u);
    p.SetLightStates({0, 0, 7});
    EXPECT_FALSE(p.Lights()[0].lit);
    EXPECT_FALSE(p.Lights()[2].lit);  // an unknown state draws unlit
}

TEST_F(FrontPanelTest, panelKindSetsButtonsAndMenuEntries) {
    FrontPanelPresenter p = MakePresenter();
    p.SetPanelKind(0x102, "csuqlbgjpAB");
    EXPECT_TRUE(p.FirstButton().shown);
    EXPECT_EQ(p.FirstButton().caption, "Configure\rSequences");
    EXPECT_EQ(p.FirstButton().action, kActionSequences);
    EXPECT_TRUE(p.SecondButton().shown);
    EXPECT_EQ(p.SecondButton().caption, "Configure\rLevels");
    EXPECT_EQ(p.SecondButton().action, kActionLevelTable);
    ASSERT_EQ(p.MenuEntries().size(), 3u);
    EXPECT_EQ(p.MenuEntries()[0].text, "&Instrument information");
    EXPECT_EQ(p.MenuEntries()[1].command, kCommandSequences);
    EXPECT_EQ(p.MenuEntries()[2].text, "Configure &level table");

    p.SetPanelKind(0, "");
    EXPECT_FALSE(p.FirstButton().shown);
    EXPECT_EQ(p.FirstButton().action, kActionNone);
    EXPECT_FALSE(p.SecondButton().shown);
    EXPECT_EQ(p.MenuEntries().size(), 1u);

    p.SetPanelKind(1, "dwihfrteonvAkxCp");
    EXPECT_EQ(p.FirstButton().caption, "&DLOG");
    EXPECT_FALSE(p.SecondButton().shown);
    p.SetPanelKind(3, "w");
    EXPECT_EQ(p.FirstButton().caption, "&Scroll module");
    EXPECT_EQ(p.FirstButton().action, kActionScrollModule);
    // Announced again (a reconnect): the entries are not added twice. 0x200 is no level table.
    p.SetPanelKind(0x201, "dg");
    ASSERT_EQ(p.MenuEntries().size(), 3u);
    EXPECT_EQ(p.MenuEntries()[1].text, "&DLOG configuration and data access");
    EXPECT_EQ(p.MenuEntries()[2].command, kCommandLevelTable);
    EXPECT_FALSE(p.SecondButton().shown);
}

TEST_F(FrontPanelTest, withoutASessionThePanelClosesAtOnceAndPostsNothing) {
    ScriptedPrompt prompt;
    ScopedUserPrompt installed(&prompt);
    FrontPanelPresenter p = MakePresenter();
    EXPECT_FALSE(p.PressKey(1));
    EXPECT_TRUE(p.RunCommand(kCommandDlogConfiguration));
    EXPECT_TRUE(view.windowsRun.empty());  // the node is gone: no window of it runs
    EXPECT_EQ(p.RequestClose(), CloseDecision::kClose);
    EXPECT_TRUE(prompt.asked().empty());
}

/// A node with its session but no link: enough for the panel-free bracket and the close rules of
/// a session that is not open.
class FrontPanelNodeTest : public FrontPanelTest, public FrontPanelHost {
  protected:
    void SetUp() override { SetFrontPanelHost(this); }
    void TearDown() override { SetFrontPanelHost(nullptr); }
    NotifyTarget CreateFrontPanel(CInstrumentNode&) override { return 42; }
    void DestroyFrontPanel(CInstrumentNode&, NotifyTarget panel) override { destroyed.push_back(panel); }

    CInstrumentConnectedNode node{"Roof", 5150};
    CInstrumentSession& session = CInstrumentSession::Of(node);
    std::vector<NotifyTarget> destroyed;
};

TEST_F(FrontPanelNodeTest, theInstrumentsWindowsRunWithThePanelBusyAndCountAsActivity) {
    InstrumentSettings s = node.GetSettings();
    s.autoDisconnectEnabled = true;
    s.autoDisconnectMinutes = 1;
    node.SetSettings(s);
    session.SetFrontPanel(42);
    FrontPanelPresenter p = MakePresenter(&session);
    p.SetPanelKind(0x102, "csb");
    const DateTime later = DateTime::FromSeconds(DateTime::Now().seconds() + 3600);
    view.whileRunning = [&](PanelWindow) {
        EXPECT_FALSE(session.IsPanelFree());
        session.IdleCheck(later);  // the panel is busy: no automatic disconnect
    };
    p.PressConfigButton(0);
    p.PressConfigButton(1);
    EXPECT_TRUE(p.RunCommand(kCommandInstrumentInformation | 0x5));
    EXPECT_FALSE(p.RunCommand(0xF060));  // the window's own commands go to the default handling
    EXPECT_EQ(view.windowsRun, (std::vector<PanelWindow>{PanelWindow::kSequenceConfiguration,
                                                          PanelWindow::kLevelTable,
                                                          PanelWindow::kInstrumentInformation}));
    EXPECT_TRUE(destroyed.empty());
    EXPECT_TRUE(session.IsPanelFree());
    EXPECT_GE(session.GetLastActivity().seconds(), DateTime::Now().seconds() - 5);
    // Idle for longer than a minute after the last window: now the check closes the panel.
    view.whileRunning = nullptr;
    session.IdleCheck(DateTime::FromSeconds(session.GetLastActivity().seconds() + 61));
    EXPECT_EQ(destroyed, (std::vector<NotifyTarget>{42}));
}

TEST_F(FrontPanelNodeTest, aPanelWhoseSessionIsNotOpenClosesWithoutAskingAndForgetsItself) {
    ScriptedPrompt prompt;
    ScopedUserPrompt installed(&prompt);
    session.SetFrontPanel(42);
    FrontPanelPresenter p = MakePresenter(&session);
    EXPECT_EQ(p.RequestClose(), CloseDecision::kClose);
    EXPECT_TRUE(prompt.asked().empty());
    p.OnWindowDestroyed();
    EXPECT_EQ(session.GetFrontPanel(), 0u);
}

}  // namespace
}  // namespace talven
