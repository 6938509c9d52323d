#include <gtest/gtest.h>

#include "DlogTestSupport.h"
#include "dlog/DataRecordSet.h"
#include "dlog/DlogValidation.h"
#include "foundation/Messages.h"
#include "foundation/UserPrompt.h"
#include "network/ObjectArchiveFile.h"

namespace talven {
namespace {

using test::AddChannel;
using test::AddParameter;
using test::MakeInstrument;
using test::ParameterAt;

std::vector<std::uint8_t> Stored(SerialObject& object) {
    BinaryObjectArchive ar;
    object.Serialize(ar);
    return ar.Writer().bytes();
}

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

TEST(DlogModel, newChannelHasTheDocumentedDefaults) {
    auto inst = MakeInstrument();
    CDASChannel channel(inst.get());
    EXPECT_EQ(channel.GetRecordCount(), 100);
    const DateTime start = channel.GetStartDate();
    EXPECT_EQ(start.year(), DateTime::Now().year());
    EXPECT_EQ(start.month(), 1);
    EXPECT_EQ(start.day(), 1);
    EXPECT_EQ(start.hour(), 0);
    EXPECT_EQ(channel.GetSamplePeriod(), 60u);
    EXPECT_EQ(channel.GetReportPeriod(), 3600u);
    EXPECT_EQ(channel.GetDownloadPeriod(), 86400u);
    EXPECT_TRUE(channel.GetEnabled());
    EXPECT_TRUE(channel.GetAppend());
    EXPECT_FALSE(channel.GetReport() || channel.GetCompact() || channel.GetHoldOff() ||
                 channel.IsSelected() || channel.IsExpanded() || channel.GetDownloadedBefore());
    const CSelectionSet selection = channel.GetDownloadSelection();
    EXPECT_EQ(selection.mode, CSelectionSet::kAll);
    EXPECT_EQ(selection.records, 1);
    EXPECT_EQ(selection.months, 1);
    EXPECT_TRUE(selection.useInstrumentSelection);
    EXPECT_EQ(channel.GetActiveSelection(), selection);
}

TEST(DlogModel, eventPointAndParameterStoreTheirFieldsInOrder) {
    CDASEvent event("TIMER", 7, true, dlevel::kHigh);
    EXPECT_EQ(Stored(event), Bytes({5, 'T', 'I', 'M', 'E', 'R', 7, 0, 0, 0, 1, 0, 0, 0, 177, 0, 0, 0}));

    CDASPoint point("NO", 3, "ppb", dlevel::kMed);
    EXPECT_EQ(Stored(point), Bytes({2, 'N', 'O', 3, 0, 0, 0, 3, 'p', 'p', 'b', 176, 0, 0, 0}));

    CDASParameter parameter;
    parameter.SetName("NO");
    parameter.SetUnits("ppb");
    parameter.SetSelected(true);
    parameter.SetSampleMode("avg");
    parameter.SetPrecision(3);
    parameter.SetStoreSamplesInEffect(false);
    parameter.SetStoreSamplesConfigured(true);
    parameter.SetSetNumber(9);  // not stored
    EXPECT_EQ(Stored(parameter), Bytes({2,   'N', 'O', 0, 0, 0, 0, 3, 'p', 'p', 'b', 1, 0, 0, 0, 3,
                                        'a', 'v', 'g', 3, 0, 0, 0, 0, 0,   0,   0,   1, 0, 0, 0}));
}

TEST(DlogModel, selectionSetStoresModeDatesCountsThenFlag) {
    CSelectionSet s;
    s.mode = 7;
    s.from = 0x01020304;
    s.to = 0x0A0B0C0D;
    s.records = 2;
    s.hours = 3;
    s.days = 4;
    s.weeks = 5;
    s.months = 6;
    s.useInstrumentSelection = false;
    BinaryObjectArchive ar;
    s.Serialize(ar);
    EXPECT_EQ(ar.Writer().bytes(), Bytes({7, 0, 0, 0, 4, 3, 2, 1, 0x0D, 0x0C, 0x0B, 0x0A, 2, 0, 0, 0, 3, 0,
                                          0, 0, 4, 0, 0, 0, 5, 0, 0,    0,    6,    0,    0, 0, 0, 0, 0, 0}));
}

class ChannelArchive : public ::testing::Test {
  protected:
    void SetUp() override { RegisterDlogArchiveClasses(); }
};

TEST_F(ChannelArchive, storesItsFieldsInTheFilesOrder) {
    auto inst = MakeInstrument();
    CDASChannel* c = AddChannel(*inst, "A");
    DlogChannelSettings s = c->GetSettings();
    s.event = "EV";
    s.fileName = "F";
    s.downloadFile = "D";
    s.recordCount = 1;
    s.startDate = 2;
    s.samplePeriod = 3;
    s.reportPeriod = 4;
    s.lastDownload = 5;
    s.downloadPeriod = 6;
    s.report = s.enabled = s.downloadedBefore = s.selected = true;
    s.compact = s.holdOff = s.append = s.expanded = false;
    c->SetSettings(s);
    ArchiveWriter expected;
    for (const char* text : {"EV", "F", "D"})
        expected.WriteString(text);
    for (std::uint32_t value : {1, 2, 3, 4, 5, 6})
        expected.WriteU32(value);
    for (bool flag : {true, false, true, false, true, false, true, false})
        expected.WriteBool(flag);
    const std::vector<std::uint8_t> stored = Stored(*c);
    ASSERT_GE(stored.size(), expected.size());
    EXPECT_EQ(
        std::vector<std::uint8_t>(stored.end() - static_cast<std::ptrdiff_t>(expected.size()), stored.end()),
        expected.bytes());
}

TEST_F(ChannelArchive, roundTripKeepsEveryStoredFieldAndOwnsTheParameters) {
    auto inst = MakeInstrument();
    CDASChannel* c = AddChannel(*inst, "OZONE");
    c->SetFileName("OZONE.DAT");
    c->SetDownloadFile("/data/ozone.csv");
    c->SetRecordCount(5000);
    c->SetStartDate(DateTime::FromElements(2024, 2, 29, 0, 0, 0));
    c->SetSamplePeriod(120);
    c->SetReportPeriod(7200);
    c->SetLastDownload(DateTime::FromSeconds(1700000000));
    c->SetDownloadPeriod(600);
    c->SetReport(true);
    c->SetCompact(true);
    c->SetEnabled(false);
    c->SetHoldOff(true);
    c->SetDownloadedBefore(true);
    c->SetAppend(false);
    c->SetExpanded(true);
    CSelectionSet sel;
    sel.mode = 4;
    sel.days = 12;
    c->SetDownloadSelection(sel);
    AddParameter(*c, "NO", "AVG", 3, true)->SetSelected(true);
    AddParameter(*c, "NO2", "max", 1, false);

    BinaryObjectArchive out;
    out.WriteObject(c);
    ASSERT_FALSE(out.failed());
    const std::vector<std::uint8_t> bytes = out.Writer().bytes();
    BinaryObjectArchive in(bytes.data(), bytes.size());
    std::unique_ptr<SerialObject> object = in.ReadObject();
    ASSERT_FALSE(in.failed());
    auto* loaded = dynamic_cast<CDASChannel*>(object.get());
    ASSERT_NE(loaded, nullptr);

    EXPECT_EQ(loaded->GetName(), "OZONE");
    EXPECT_EQ(loaded->GetEvent(), "TIMER");
    EXPECT_EQ(loaded->GetFileName(), "OZONE.DAT");
    EXPECT_EQ(loaded->GetDownloadFile(), "/data/ozone.csv");
    EXPECT_EQ(loaded->GetRecordCount(), 5000);
    EXPECT_EQ(loaded->GetStartDate(), DateTime::FromElements(2024, 2, 29, 0, 0, 0));
    EXPECT_EQ(loaded->GetSamplePeriod(), 120u);
    EXPECT_EQ(loaded->GetReportPeriod(), 7200u);
    EXPECT_EQ(loaded->GetLastDownload().seconds(), 1700000000u);
    EXPECT_EQ(loaded->GetDownloadPeriod(), 600u);
    EXPECT_TRUE(loaded->GetReport());
    EXPECT_TRUE(loaded->GetCompact());
    EXPECT_FALSE(loaded->GetEnabled());
    EXPECT_TRUE(loaded->GetHoldOff());
    EXPECT_TRUE(loaded->GetDownloadedBefore());
    EXPECT_FALSE(loaded->GetAppend());
    EXPECT_FALSE(loaded->IsSelected());
    EXPECT_TRUE(loaded->IsExpanded());
    EXPECT_EQ(loaded->GetDownloadSelection(), sel);
    EXPECT_EQ(loaded->GetActiveSelection(), sel);
    EXPECT_EQ(loaded->GetSettings(), c->GetSettings());
    ASSERT_EQ(loaded->Parameters().size(), 2u);
    CDASParameter* p0 = ParameterAt(*loaded, 0);
    CDASParameter* p1 = ParameterAt(*loaded, 1);
    EXPECT_EQ(p0->GetOwner(), loaded);
    EXPECT_EQ(p1->GetOwner(), loaded);
    EXPECT_EQ(p0->GetName(), "NO");
    EXPECT_TRUE(p0->IsSelected());
    EXPECT_TRUE(p0->GetStoreSamplesInEffect());
    EXPECT_TRUE(p0->GetStoreSamplesConfigured());
    EXPECT_EQ(p0->GetPrecision(), 3);
    EXPECT_EQ(p1->GetSampleMode(), "max");
    EXPECT_FALSE(p1->IsSelected());
    EXPECT_EQ(loaded->GetRecordSize(), 6u + 8 + 4);
}

TEST_F(ChannelArchive, parameterListHoldingAnotherClassFailsTheLoad) {
    // A channel whose parameter list holds an event: written by hand through the archive.
    BinaryObjectArchive out;
    CDASEvent event("E", 1, false, dlevel::kLow);
    CNamedObjectList wrong;
    wrong.Append(event.Clone());
    CDASChannel channel;
    channel.SetName("C");
    out.Writer().WriteU16(0xFFFF);
    out.Writer().WriteU16(1);
    out.Writer().WriteU16(11);
    out.Writer().WriteBytes("CDASChannel", 11);
    out.Writer().WriteString("C");
    out.Writer().WriteU32(0);
    WriteObjectList(out, wrong);
    const std::vector<std::uint8_t> bytes = out.Writer().bytes();
    BinaryObjectArchive in(bytes.data(), bytes.size());
    std::unique_ptr<SerialObject> object = in.ReadObject();
    EXPECT_TRUE(in.failed());
}

TEST_F(ChannelArchive, truncatedChannelFailsWithoutCrash) {
    auto inst = MakeInstrument();
    CDASChannel* c = AddChannel(*inst, "OZONE");
    AddParameter(*c, "NO");
    BinaryObjectArchive out;
    out.WriteObject(c);
    const std::vector<std::uint8_t> bytes = out.Writer().bytes();
    for (std::size_t cut = 0; cut < bytes.size(); cut += 3) {
        BinaryObjectArchive in(bytes.data(), cut);
        in.ReadObject();
        EXPECT_TRUE(in.failed()) << "cut at " << cut;
    }
}

TEST(DlogModel, cloneIsDeepAndUsesItsOwnSelection) {
    auto inst = MakeInstrument();
    CDASChannel* c = AddChannel(*inst, "OZONE");
    CDASParameter* p = AddParameter(*c, "NO");
    p->Records().push_back({1.5, 1, 100, true});
    CSelectionSet shared;
    shared.mode = 2;
    c->SetActiveSelection(&shared);

    std::unique_ptr<CNamedObject> copyObject = c->Clone();
    auto* copy = static_cast<CDASChannel*>(copyObject.get());
    EXPECT_EQ(copy->GetActiveSelection(), copy->GetDownloadSelection());
    ASSERT_EQ(copy->Parameters().size(), 1u);
    CDASParameter* copied = ParameterAt(*copy, 0);
    EXPECT_NE(copied, p);
    EXPECT_EQ(copied->GetOwner(), copy);
    EXPECT_EQ(copied->GetRecordCount(), 1u);
    p->SetName("CHANGED");
    EXPECT_EQ(copied->GetName(), "NO");
    EXPECT_EQ(copy->GetInstrument(), inst.get());
}

TEST(DlogModel, recordSizeCountsSampleWordsOfInEffectFlagsOnly) {
    CDASChannel c;
    for (int i = 0; i < 50; ++i)
        AddParameter(c, "P" + std::to_string(i), "AVG", 0, true);
    EXPECT_EQ(c.GetRecordSize(), 406u);
    ParameterAt(c, 0)->SetStoreSamplesConfigured(false);
    EXPECT_EQ(c.GetRecordSize(), 406u);
    c.RestoreInEffectFlags();
    EXPECT_EQ(c.GetRecordSize(), 402u);
    EXPECT_FALSE(c.HasParameterRoom());
}

TEST(DlogModel, autoDownloadIsDueWhenNeverDownloadedOrAfterThePeriod) {
    CDASChannel c;
    const DateTime now = DateTime::FromSeconds(1000000);
    EXPECT_TRUE(c.IsAutoDownloadDue(now));
    c.SetDownloadedBefore(true);
    c.SetDownloadPeriod(3600);
    c.SetLastDownload(DateTime::FromSeconds(1000000 - 3599));
    EXPECT_FALSE(c.IsAutoDownloadDue(now));
    c.SetLastDownload(DateTime::FromSeconds(1000000 - 3600));
    EXPECT_TRUE(c.IsAutoDownloadDue(now));
    // The newest record stamped later than the PC's now: the instrument's clock is ahead, and how
    // long ago the download was cannot be told from it.
    c.SetLastDownload(DateTime::FromSeconds(1000000 + 10));
    EXPECT_TRUE(c.IsAutoDownloadDue(now));
}

TEST(DlogModel, labelsNameChannelAndParameter) {
    auto inst = MakeInstrument();
    CDASChannel* c = AddChannel(*inst, "OZONE");
    EXPECT_EQ(c->GetText(0), "OZONE, TIMER, 100 Records Maximum");
    CDASParameter* p = AddParameter(*c, "NO", "AVG");
    p->SetUnits("ppb");
    p->SetSetNumber(3);
    p->Records().resize(2);
    EXPECT_EQ(p->GetText(0), "NO (ppb), AVG, Set 3, 2 Records");
    p->SetUnits("");
    EXPECT_EQ(p->GetText(0), "NO, AVG, Set 3, 2 Records");
    auto* point = static_cast<CDASPoint*>(inst->DlogPoints().at(0));
    EXPECT_EQ(point->GetDisplayText(), "NO (ppb)");
    EXPECT_EQ(static_cast<CDASPoint*>(inst->DlogPoints().at(2))->GetDisplayText(), "FLOW");
}

TEST(DlogModel, selectingAChannelSelectsAllItsParameters) {
    auto inst = MakeInstrument();
    CDASChannel* a = AddChannel(*inst, "A");
    CDASChannel* b = AddChannel(*inst, "B");
    AddParameter(*a, "NO");
    AddParameter(*b, "NO2");
    a->SetSelected(true);
    EXPECT_TRUE(ParameterAt(*a, 0)->IsSelected());
    EXPECT_FALSE(ParameterAt(*b, 0)->IsSelected());
    SetAllChannelsSelected(*inst, true);
    EXPECT_TRUE(b->IsSelected() && ParameterAt(*b, 0)->IsSelected());
    SetAllChannelsSelected(*inst, false);
    EXPECT_FALSE(a->IsSelected() || ParameterAt(*a, 0)->IsSelected());
    SetAllChannelsExpanded(*inst, true);
    EXPECT_TRUE(a->IsExpanded() && b->IsExpanded());
}

TEST(DlogModel, instrumentHoldsTwentyChannelsAtMost) {
    auto inst = MakeInstrument();
    for (int i = 0; i < 19; ++i)
        AddChannel(*inst, "C" + std::to_string(i));
    EXPECT_TRUE(HasChannelRoom(*inst));
    CDASChannel* last = AddChannel(*inst, "LAST");
    EXPECT_FALSE(HasChannelRoom(*inst));
    EXPECT_EQ(DuplicateChannel(*inst, *last), nullptr);
    EXPECT_EQ(inst->DlogChannels().size(), 20u);
}

TEST(DlogModel, setNumbersIncreaseOncePerDownload) {
    auto inst = MakeInstrument();
    EXPECT_EQ(inst->NextDlogSetNumber(), 1u);
    EXPECT_EQ(inst->NextDlogSetNumber(), 2u);
}

// ---- validation ----

class DlogDialogRules : public ::testing::Test {
  protected:
    ScriptedPrompt prompt;
    ScopedUserPrompt scope{&prompt};
    std::unique_ptr<DlogInstrumentData> inst = MakeInstrument();
};

TEST_F(DlogDialogRules, channelNameMustBeAWordUniqueWithoutRegardToCase) {
    CDASChannel* ozone = AddChannel(*inst, "Ozone");
    EXPECT_FALSE(IsValidChannelName("", *inst, nullptr));
    EXPECT_FALSE(IsValidChannelName("NO X", *inst, nullptr));
    EXPECT_FALSE(IsValidChannelName("a-b", *inst, nullptr));
    EXPECT_FALSE(IsValidChannelName("OZONE", *inst, nullptr));
    EXPECT_TRUE(IsValidChannelName("OZONE", *inst, ozone));
    EXPECT_TRUE(IsValidChannelName("NOx_2", *inst, nullptr));
}

TEST_F(DlogDialogRules, basicPageShowsBothMessagesWhenNameAndPeriodAreBad) {
    EXPECT_FALSE(CheckChannelBasicPage("", *inst, nullptr, 0, 3600));
    const auto asked = prompt.asked();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text, MessageText(msg::kInvalidChannelName));
    EXPECT_EQ(asked[0].caption, "Error");
    EXPECT_EQ(asked[1].text, MessageText(msg::kPeriodsMustBePositive));
    EXPECT_TRUE(CheckChannelBasicPage("GOOD", *inst, nullptr, 60, 60));
}

TEST_F(DlogDialogRules, copiedChannelNameIsRefusedUntilRenamed) {
    CDASChannel* ozone = AddChannel(*inst, "OZONE");
    CDASChannel* copy = DuplicateChannel(*inst, *ozone);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetName(), "Copy of OZONE");
    EXPECT_TRUE(inst->IsDlogModified());
    EXPECT_TRUE(inst->IsNetworkModified());
    EXPECT_FALSE(CheckChannelBasicPage(copy->GetName(), *inst, copy, 60, 60));
}

TEST_F(DlogDialogRules, advancedPageAsksForAFileThenChecksThePeriod) {
    prompt.QueueAnswer(mb::kIdYes);
    EXPECT_FALSE(CheckChannelAdvancedPage(true, "", 60));
    prompt.QueueAnswer(mb::kIdNo);
    EXPECT_TRUE(CheckChannelAdvancedPage(true, "", 60));
    EXPECT_FALSE(CheckChannelAdvancedPage(false, "x.csv", 0));
    const auto asked = prompt.asked();
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0].text, MessageText(msg::kNoDownloadFileName));
    EXPECT_EQ(asked[0].caption, "Warning");
    EXPECT_EQ(asked[2].text, MessageText(msg::kDownloadPeriodMustBePositive));
}

TEST_F(DlogDialogRules, advancedPageCheckChangesEveryParameterSelection) {
    CDASChannel* c = AddChannel(*inst, "A");
    AddParameter(*c, "NO");
    AddParameter(*c, "NO2");
    ApplyChannelAdvancedPage(*c, {true, 120, "a.csv", false});
    EXPECT_TRUE(ParameterAt(*c, 0)->IsSelected() && ParameterAt(*c, 1)->IsSelected());
    EXPECT_EQ(c->GetDownloadPeriod(), 120u);
    EXPECT_FALSE(c->GetAppend());
    ParameterAt(*c, 1)->SetSelected(false);
    ApplyChannelAdvancedPage(*c, {true, 120, "a.csv", true});  // unchanged check keeps the parameters
    EXPECT_FALSE(ParameterAt(*c, 1)->IsSelected());
    ApplyChannelAdvancedPage(*c, {false, 120, "a.csv", true});
    EXPECT_FALSE(ParameterAt(*c, 0)->IsSelected());
}

TEST_F(DlogDialogRules, betweenDatesRefuseUnsupportedYearsAndAskWhenReversed) {
    const DateTime early = DateTime::FromElements(1969, 12, 31, 0, 0, 0);  // invalid: before 1970
    EXPECT_FALSE(CheckBetweenDates(std::optional<DateTime>(early), std::nullopt));
    auto asked = prompt.asked();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(
        asked[0].text,
        "Starting year of 1969 is not supported by the instrument. Please make sure the year is between "
        "1970 and 2105.");
    EXPECT_EQ(
        asked[1].text,
        "Ending year of -1 is not supported by the instrument. Please make sure the year is between 1970 "
        "and 2105.");

    const DateTime a = DateTime::FromElements(2024, 5, 1, 0, 0, 0);
    const DateTime b = DateTime::FromElements(2024, 4, 1, 0, 0, 0);
    EXPECT_FALSE(CheckBetweenDates(a, b));  // default answer No
    prompt.QueueAnswer(mb::kIdYes);
    EXPECT_TRUE(CheckBetweenDates(a, b));
    EXPECT_TRUE(CheckBetweenDates(b, a));
    asked = prompt.asked();
    EXPECT_EQ(asked.back().text, MessageText(msg::kEndBeforeStart));
    EXPECT_EQ(asked.back().caption, "Confirm");
}

TEST_F(DlogDialogRules, parameterDialogOffersLowAndMedPointsAndModesByCapability) {
    EXPECT_EQ(OfferedPoints(*inst), (std::vector<std::string>{"NO (ppb)", "NO2 (ppb)"}));
    EXPECT_EQ(OfferedSampleModes(*inst), (std::vector<std::string>{"INST", "AVG", "SDEV", "MIN", "MAX"}));
    inst->SetCapabilities("d");
    EXPECT_EQ(OfferedSampleModes(*inst), (std::vector<std::string>{"INST", "AVG", "MIN", "MAX"}));
    EXPECT_FALSE(StoreSamplesOffered(*inst));
    EXPECT_EQ(ParameterNameFromDisplayText("NO2 (ppb)"), "NO2");
    EXPECT_EQ(ParameterNameFromDisplayText("O3_RAW"), "O3_RAW");
}

TEST_F(DlogDialogRules, periodFieldsSplitAndJoin) {
    const PeriodFields f = SplitPeriod(((2 * 24 + 3) * 60 + 4) * 60);
    EXPECT_EQ(f.days, 2u);
    EXPECT_EQ(f.hours, 3u);
    EXPECT_EQ(f.minutes, 4u);
    EXPECT_EQ(PeriodSeconds(f), ((2u * 24 + 3) * 60 + 4) * 60);
}

TEST_F(DlogDialogRules, duplicatedParameterStopsAtFifty) {
    CDASChannel* c = AddChannel(*inst, "A");
    CDASParameter* p = AddParameter(*c, "NO");
    for (int i = 1; i < 50; ++i)
        ASSERT_NE(DuplicateParameter(*inst, *c, *p), nullptr);
    EXPECT_EQ(DuplicateParameter(*inst, *c, *p), nullptr);
    EXPECT_EQ(c->Parameters().size(), 50u);
    EXPECT_EQ(ParameterAt(*c, 49)->GetOwner(), c);
}

// ---- gathering ----

TEST(DlogRecordSet, gatherTakesSelectedParametersOfTheFirstSetAndShortestColumn) {
    auto inst = MakeInstrument();
    CDASChannel* c = AddChannel(*inst, "A");
    CDASParameter* a = AddParameter(*c, "NO");
    CDASParameter* b = AddParameter(*c, "NO2");
    CDASParameter* old = AddParameter(*c, "O3");
    CDASParameter* unselected = AddParameter(*c, "CO");
    for (CDASParameter* p : {a, b, old})
        p->SetSelected(true);
    a->SetSetNumber(4);
    b->SetSetNumber(4);
    old->SetSetNumber(3);
    unselected->SetSetNumber(4);
    a->Records().resize(5);
    b->Records().resize(3);
    old->Records().resize(9);
    unselected->Records().resize(9);
    CDataRecordSet set;
    GatherChannel(*c, set);
    EXPECT_EQ(set.GetColumnCount(), 2u);
    EXPECT_EQ(set.GetRowCount(), 3u);
    EXPECT_EQ(set.GetColumn(0), a);
    EXPECT_EQ(set.GetColumn(1), b);
    EXPECT_EQ(set.GetColumn(2), nullptr);
    EXPECT_EQ(set.GetRecord(2, 0), &a->Records()[2]);
    EXPECT_EQ(set.GetRecord(3, 0), nullptr);
    // A download that empties a column leaves the set answering null, not stale records.
    b->ClearRecords();
    EXPECT_EQ(set.GetRecord(0, 1), nullptr);
}

TEST(DlogRecordSet, columnsNeedRecordsAndRoom) {
    CDASChannel c;
    CDASParameter* empty = AddParameter(c, "E");
    CDASParameter* full = AddParameter(c, "F");
    full->Records().resize(2);
    CDataRecordSet set(1);
    EXPECT_FALSE(set.AddColumn(empty));
    EXPECT_TRUE(set.AddColumn(full));
    EXPECT_FALSE(set.AddColumn(full));
    EXPECT_EQ(set.GetRowCount(), 2u);
}

}  // namespace
}  // namespace talven

namespace talven {
namespace {

TEST(DlogDialogText, lastDownloadIsEmptyUntilTheFirstDownload) {
    CDASChannel channel;
    const DateFormatSlots formats;
    EXPECT_EQ(LastDownloadText(channel, formats), "");
    channel.SetDownloadedBefore(true);
    channel.SetLastDownload(DateTime::FromElements(2024, 3, 9, 14, 5, 0));
    EXPECT_EQ(LastDownloadText(channel, formats), "09-MAR-24 14:05:00");
}

}  // namespace
}  // namespace talven
