// The DLOG dialogs' rules without widgets: the channel sheet's pages and what OK writes back, the
// parameter dialog's choices, "Select Records" with its year checks, and the data view's table.

#include <gtest/gtest.h>

#include "DlogWindowTestSupport.h"
#include "dlog/ui/DlogDialogPresenters.h"
#include "foundation/Messages.h"
#include "foundation/UserPrompt.h"

namespace talven {
namespace {

using test::AddChannel;
using test::AddParameter;

class DlogDialogs : public ::testing::Test {
  protected:
    std::vector<std::string> Asked() const {
        std::vector<std::string> texts;
        for (const auto& a : prompt.asked())
            texts.push_back(a.text);
        return texts;
    }

    ScriptedPrompt prompt;
    ScopedUserPrompt scope{&prompt};
    std::unique_ptr<DlogInstrumentData> inst = test::MakeInstrument();
    DateFormatSlots formats;
};

TEST_F(DlogDialogs, newChannelIsRefusedUntilItHasAUniqueNameAndPeriods) {
    AddChannel(*inst, "OZONE");
    CDASChannel fresh(inst.get());
    fresh.SetRecordCount(0);
    DlogChannelSheetPresenter sheet(*inst, fresh, formats);
    EXPECT_EQ(sheet.Title(), "DLOG Channel Properties");
    EXPECT_EQ(sheet.basic.recordCount, 1);  // below 1 shows as 1
    EXPECT_EQ(sheet.Accept(), 0);
    EXPECT_EQ(Asked(), std::vector<std::string>{std::string(MessageText(msg::kInvalidChannelName))});

    sheet.basic.name = "ozone";  // another channel's name in other letters
    sheet.basic.samplePeriod = {0, 0, 0};
    EXPECT_FALSE(sheet.LeaveBasic());
    EXPECT_EQ(prompt.asked().size(), 3u);  // both messages
    EXPECT_EQ(Asked().back(), MessageText(msg::kPeriodsMustBePositive));

    sheet.basic.name = "TWENTYONE_CHARACTERS_";
    sheet.basic.samplePeriod = {0, 0, 5};
    EXPECT_FALSE(sheet.LeaveBasic());
    sheet.basic.name = "NO2_HOURLY";
    EXPECT_EQ(sheet.Accept(), -1);
    EXPECT_EQ(fresh.GetName(), "NO2_HOURLY");
    EXPECT_EQ(fresh.GetSamplePeriod(), 300u);
    EXPECT_EQ(fresh.GetRecordCount(), 1);
}

TEST_F(DlogDialogs, basicPageEnablesTimesForTimerEventsAndWritesEveryField) {
    CDASChannel* channel = AddChannel(*inst, "OZONE", "CALIBRATE");
    DlogChannelSheetPresenter sheet(*inst, *channel, formats);
    EXPECT_EQ(sheet.EventNames(), (std::vector<std::string>{"TIMER", "CALIBRATE"}));
    EXPECT_FALSE(sheet.TimerFieldsEnabled());
    sheet.basic.event = "timer";
    EXPECT_TRUE(sheet.TimerFieldsEnabled());

    sheet.basic.name = "OZONE";  // its own name is fine
    sheet.basic.recordCount = 2000000;
    sheet.basic.start = {true, 2026, 2, 3, 4, 5, 6};
    sheet.basic.reportPeriod = {1, 2, 3};
    sheet.basic.holdOff = sheet.basic.compact = true;
    sheet.basic.enabled = false;
    ASSERT_EQ(sheet.Accept(), -1);
    EXPECT_EQ(channel->GetEvent(), "timer");
    EXPECT_EQ(channel->GetRecordCount(), 1000000);
    EXPECT_EQ(channel->GetStartDate(), DateTime::FromElements(2026, 2, 3, 4, 5, 6));
    EXPECT_EQ(channel->GetReportPeriod(), 93780u);
    EXPECT_TRUE(channel->GetHoldOff() && channel->GetCompact() && !channel->GetEnabled());
}

TEST_F(DlogDialogs, advancedPageAsksForAFileChecksThePeriodAndSelectsEveryParameter) {
    CDASChannel* channel = AddChannel(*inst, "OZONE");
    AddParameter(*channel, "NO");
    AddParameter(*channel, "NO2");
    DlogChannelSheetPresenter sheet(*inst, *channel, formats);
    EXPECT_EQ(sheet.LastDownloadText(), "");
    sheet.advanced.autoDownload = true;
    prompt.QueueAnswer(mb::kIdYes);  // "specify one?" Yes keeps the page
    EXPECT_EQ(sheet.Accept(), 1);
    EXPECT_EQ(prompt.asked().back().caption, "Warning");

    prompt.QueueFile(std::nullopt);  // "S&elect file" cancelled: proposal offered, nothing chosen
    sheet.SelectFile();
    EXPECT_EQ(prompt.fileRequests().back().initialName, "Roof Analyzer-SN123-OZONE-Auto.csv");
    EXPECT_EQ(prompt.fileRequests().back().defaultExtension, ".csv");
    prompt.QueueFile(std::string("/data/ozone.csv"));
    sheet.SelectFile();
    EXPECT_EQ(sheet.advanced.downloadFile, "/data/ozone.csv");

    sheet.advanced.downloadPeriod = {0, 0, 0};
    EXPECT_FALSE(sheet.LeaveAdvanced());
    EXPECT_EQ(Asked().back(), MessageText(msg::kDownloadPeriodMustBePositive));
    sheet.advanced.downloadPeriod = {0, 6, 0};
    sheet.advanced.selection.mode = CSelectionSet::kSinceLast;
    sheet.advanced.append = false;
    ASSERT_EQ(sheet.Accept(), -1);
    EXPECT_TRUE(channel->IsSelected());
    EXPECT_TRUE(test::ParameterAt(*channel, 0)->IsSelected() && test::ParameterAt(*channel, 1)->IsSelected());
    EXPECT_EQ(channel->GetDownloadPeriod(), 21600u);
    EXPECT_EQ(channel->GetDownloadSelection().mode, CSelectionSet::kSinceLast);
    EXPECT_EQ(channel->GetDownloadFile(), "/data/ozone.csv");
    EXPECT_FALSE(channel->GetAppend());

    channel->SetDownloadedBefore(true);
    channel->SetLastDownload(DateTime::FromElements(2026, 3, 1, 12, 0, 0));
    EXPECT_EQ(DlogChannelSheetPresenter(*inst, *channel, formats).LastDownloadText(), "01-MAR-26 12:00:00");
}

TEST_F(DlogDialogs, parameterDialogOffersLowAndMedPointsAndStartsANewParameterOnTheFirst) {
    CDASChannel* channel = AddChannel(*inst, "OZONE");
    CDASParameter fresh(channel);
    DlogParameterPresenter dialog(*inst, fresh);
    EXPECT_EQ(dialog.Title(), "DLOG Parameter Properties");
    EXPECT_EQ(dialog.Points(), (std::vector<std::string>{"NO (ppb)", "NO2 (ppb)"}));
    EXPECT_EQ(dialog.Modes(), (std::vector<std::string>{"INST", "AVG", "SDEV", "MIN", "MAX"}));
    EXPECT_EQ(dialog.point, 0);
    EXPECT_EQ(dialog.mode, 0);
    EXPECT_TRUE(dialog.StoreSamplesEnabled());
    dialog.point = 1;
    dialog.mode = 4;
    dialog.precision = 9;
    dialog.storeSamples = true;
    ASSERT_TRUE(dialog.Accept());
    EXPECT_EQ(fresh.GetName(), "NO2");  // the display text cut at the blank
    EXPECT_EQ(fresh.GetSampleMode(), "MAX");
    EXPECT_EQ(fresh.GetPrecision(), 6);
    EXPECT_TRUE(fresh.GetStoreSamplesConfigured());
    EXPECT_FALSE(fresh.GetStoreSamplesInEffect());

    // An old instrument: no SDEV, no stored samples; a parameter of a "HIGH" point keeps its name.
    inst->SetCapabilities("dtihfreon");
    CDASParameter* flow = AddParameter(*channel, "FLOW", "avg", 1);
    DlogParameterPresenter old(*inst, *flow);
    EXPECT_EQ(old.Modes(), (std::vector<std::string>{"INST", "AVG", "MIN", "MAX"}));
    EXPECT_EQ(old.point, -1);
    EXPECT_EQ(old.mode, 1);
    EXPECT_FALSE(old.StoreSamplesEnabled());
    old.storeSamples = true;
    ASSERT_TRUE(old.Accept());
    EXPECT_EQ(flow->GetName(), "FLOW");
    EXPECT_EQ(flow->GetSampleMode(), "avg");  // as read, not rewritten
    EXPECT_FALSE(flow->GetStoreSamplesConfigured());

    inst->DlogPoints().DeleteAll();
    CDASParameter none(channel);
    EXPECT_FALSE(DlogParameterPresenter(*inst, none).CanAccept());
}

TEST_F(DlogDialogs, selectRecordsChecksBothYearsAndAsksWhenTheEndComesFirst) {
    CSelectionSet selection;
    SelectRecordsPresenter dialog(selection, false);
    EXPECT_EQ(dialog.Title(), "Select Records");
    EXPECT_FALSE(dialog.UseInstrumentEnabled());
    dialog.mode = CSelectionSet::kBetween;
    EXPECT_TRUE(dialog.DatesEnabled());
    EXPECT_FALSE(dialog.CountEnabled(CSelectionSet::kRecentDays));
    dialog.from = {true, 1969, 12, 31, 23, 0, 0};
    dialog.to.hasDate = false;
    EXPECT_FALSE(dialog.Accept(selection));
    ASSERT_EQ(Asked().size(), 2u);
    EXPECT_EQ(
        Asked()[0],
        "Starting year of 1969 is not supported by the instrument. Please make sure the year is between "
        "1970 and 2105.");
    EXPECT_EQ(
        Asked()[1],
        "Ending year of -1 is not supported by the instrument. Please make sure the year is between 1970 "
        "and 2105.");
    EXPECT_EQ(selection.mode, CSelectionSet::kAll);  // nothing copied

    dialog.from = {true, 2026, 3, 2, 8, 0, 0};
    dialog.to = {true, 2026, 3, 1, 8, 0, 0};
    EXPECT_FALSE(dialog.Accept(selection));  // end before start: No keeps the dialog
    EXPECT_EQ(Asked().back(), MessageText(msg::kEndBeforeStart));
    prompt.QueueAnswer(mb::kIdYes);
    ASSERT_TRUE(dialog.Accept(selection));
    EXPECT_EQ(selection.mode, CSelectionSet::kBetween);
    EXPECT_EQ(selection.from, DateTime::FromElements(2026, 3, 2, 8, 0, 0).seconds());
    EXPECT_EQ(selection.to, DateTime::FromElements(2026, 3, 1, 8, 0, 0).seconds());
}

TEST_F(DlogDialogs, selectRecordsLeavesTheDatesAloneInOtherModesAndKeepsCountsInRange) {
    CSelectionSet selection;
    selection.from = 100;
    selection.to = 200;
    SelectRecordsPresenter dialog(selection, true);
    EXPECT_TRUE(dialog.UseInstrumentEnabled());
    dialog.mode = CSelectionSet::kRecentWeeks;
    EXPECT_TRUE(dialog.CountEnabled(CSelectionSet::kRecentWeeks));
    dialog.weeks = 60;
    dialog.records = 0;
    dialog.from.hasDate = false;  // not checked outside mode 7
    dialog.useInstrument = false;
    ASSERT_TRUE(dialog.Accept(selection));
    EXPECT_TRUE(prompt.asked().empty());
    EXPECT_EQ(selection.mode, CSelectionSet::kRecentWeeks);
    EXPECT_EQ(selection.weeks, 52);
    EXPECT_EQ(selection.records, 1);
    EXPECT_EQ(selection.from, 100u);
    EXPECT_EQ(selection.to, 200u);
    EXPECT_FALSE(selection.useInstrumentSelection);
}

TEST_F(DlogDialogs, dataTableHasSampleColumnsOnlyWithTheBoxAndTheConfiguredFlag) {
    CDASChannel* channel = AddChannel(*inst, "OZONE");
    AddParameter(*channel, "NO", "AVG", 2, true)->SetUnits("ppb");
    AddParameter(*channel, "FLOW", "INST", 1, false);
    channel->SetSelected(true);
    test::GiveRecords(*inst, *channel, 3);
    DlogDataSet data;
    ASSERT_TRUE(FirstChannelWithData(*inst, data));
    EXPECT_EQ(data.channelName, "OZONE");

    const DlogDataTable plain(data.set, false, formats);
    EXPECT_EQ(plain.ColumnCount(), 3u);
    const DlogDataTable table(data.set, true, formats);
    ASSERT_EQ(table.ColumnCount(), 4u);
    EXPECT_EQ(table.RowCount(), 3u);
    EXPECT_EQ(table.HeaderText(0), "Time Stamp");
    EXPECT_EQ(table.HeaderText(1), "NO-AVG (ppb)");
    EXPECT_EQ(table.HeaderText(2), "Samples");
    EXPECT_EQ(table.HeaderText(3), "FLOW-INST");
    EXPECT_EQ(table.CellText(1, 0), "03/01/2026 12:01:00");
    EXPECT_EQ(table.CellText(2, 1), "      3.00");
    EXPECT_EQ(table.CellText(2, 2), "         3");
    EXPECT_EQ(table.CellText(2, 3), "       3.0");
    EXPECT_EQ(table.CellText(3, 1), "");             // past the last row
    test::ParameterAt(*channel, 0)->ClearRecords();  // a new download emptied it meanwhile
    EXPECT_EQ(table.CellText(0, 1), "");
}

}  // namespace
}  // namespace talven
