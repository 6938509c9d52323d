#include <gtest/gtest.h>

#include <filesystem>

#include "DlogTestSupport.h"
#include "dlog/DlogFiles.h"
#include "dlog/DlogScript.h"
#include "foundation/Messages.h"

namespace talven {
namespace {

using test::AddChannel;
using test::AddParameter;
using test::ChannelAt;
using test::MakeInstrument;
using test::ParameterAt;
using test::TextStream;

// Reads a whole configuration script into a fresh list; the stream is returned for its errors.
bool ReadScriptText(const std::string& text, IDlogInstrument& inst, CNamedObjectList& channels,
                    std::string* errorText = nullptr, int* errorLine = nullptr) {
    TextStream s(text);
    const bool ok = ReadConfigurationReply(*s, inst, true, true, channels);
    if (errorText)
        *errorText = s->GetErrorText();
    if (errorLine)
        *errorLine = s->GetErrorLine();
    return ok && s->GetErrorCount() == 0;
}

std::string OneChannelScript(const std::string& items) {
    return "dasbegin\r\n  channelbegin\r\n    name \"A\"\r\n" + items + "  channelend\r\ndasend\r\n";
}

TEST(DlogScriptWriter, timerChannelIsWrittenVerbatim) {
    auto inst = MakeInstrument();
    CDASChannel* c = AddChannel(*inst, "OZONE", "timer");
    c->SetStartDate(DateTime::FromElements(2024, 3, 5, 0, 0, 0));
    c->SetSamplePeriod(((1 * 24 + 2) * 60 + 3) * 60);
    c->SetReportPeriod(((0 * 24 + 1) * 60 + 0) * 60);
    c->SetRecordCount(250);
    c->SetReport(true);
    c->SetFileName("OZONE.DAT");
    AddParameter(*c, "NO", "AVG", 2, true);
    AddParameter(*c, "NO2", "inst", 0, false);
    EXPECT_EQ(GetConfigurationText(*inst, dlogform::kScript),
              "dasbegin\r\n"
              "  channelbegin\r\n"
              "    name \"OZONE\"\r\n"
              "    event \"timer\"\r\n"
              "    startdate 3/5/2024\r\n"
              "    sampleperiod 001:02:03\r\n"
              "    reportperiod 000:01:00\r\n"
              "    records 250\r\n"
              "    report enabled\r\n"
              "    compact disabled\r\n"
              "    status enabled\r\n"
              "    holdoff disabled\r\n"
              "    paramlistbegin\r\n"
              "      parameter \"NO\" AVG 2 storesamples\r\n"
              "      parameter \"NO2\" inst 0\r\n"
              "    paramlistend\r\n"
              "  channelend\r\n"
              "dasend\r\n");
}

TEST(DlogScriptWriter, plainEventOmitsTimesAndOldDlogOmitsStoreSamples) {
    auto inst = MakeInstrument("dt");
    CDASChannel* c = AddChannel(*inst, "CAL", "CALIBRATE");
    AddParameter(*c, "NO", "AVG", 1, true);
    const std::string text = c->GetText(dlogform::kScript);
    EXPECT_EQ(text.find("startdate"), std::string::npos);
    EXPECT_EQ(text.find("sampleperiod"), std::string::npos);
    EXPECT_EQ(text.find("storesamples"), std::string::npos);
    c->SetEvent("NO_SUCH_EVENT");
    EXPECT_EQ(c->GetText(dlogform::kScript).find("startdate"), std::string::npos);
}

TEST(DlogScriptReader, writtenConfigurationReadsBackWithEveryWrittenField) {
    auto inst = MakeInstrument();
    CDASChannel* a = AddChannel(*inst, "OZONE");
    a->SetStartDate(DateTime::FromElements(2023, 12, 31, 0, 0, 0));
    a->SetSamplePeriod(((366 * 24 + 23) * 60 + 59) * 60);
    a->SetReportPeriod(5 * 60);
    a->SetRecordCount(1000000);
    a->SetCompact(true);
    a->SetEnabled(false);
    a->SetHoldOff(true);
    a->SetFileName("NOT_WRITTEN");
    AddParameter(*a, "NO", "SDEV", 6, true);
    AddParameter(*a, "FLOW", "max", 0, false);
    CDASChannel* b = AddChannel(*inst, "CAL_1", "CALIBRATE");
    b->SetReport(true);
    AddParameter(*b, "NO2", "Inst", 3, false);

    CNamedObjectList channels;
    ASSERT_TRUE(ReadScriptText(GetConfigurationText(*inst, dlogform::kScript), *inst, channels));
    ASSERT_EQ(channels.size(), 2u);
    auto* ra = static_cast<CDASChannel*>(channels.at(0));
    auto* rb = static_cast<CDASChannel*>(channels.at(1));
    EXPECT_EQ(ra->GetName(), "OZONE");
    EXPECT_EQ(ra->GetEvent(), "TIMER");
    EXPECT_EQ(ra->GetStartDate(), a->GetStartDate());
    EXPECT_EQ(ra->GetSamplePeriod(), a->GetSamplePeriod());
    EXPECT_EQ(ra->GetReportPeriod(), a->GetReportPeriod());
    EXPECT_EQ(ra->GetRecordCount(), 1000000);
    EXPECT_FALSE(ra->GetReport());
    EXPECT_TRUE(ra->GetCompact());
    EXPECT_FALSE(ra->GetEnabled());
    EXPECT_TRUE(ra->GetHoldOff());
    EXPECT_EQ(ra->GetFileName(), "");
    ASSERT_EQ(ra->Parameters().size(), 2u);
    EXPECT_EQ(ParameterAt(*ra, 0)->GetSampleMode(), "SDEV");
    EXPECT_EQ(ParameterAt(*ra, 0)->GetPrecision(), 6);
    EXPECT_TRUE(ParameterAt(*ra, 0)->GetStoreSamplesConfigured());
    EXPECT_TRUE(ParameterAt(*ra, 0)->GetStoreSamplesInEffect());
    EXPECT_EQ(ParameterAt(*ra, 0)->GetUnits(), "ppb");
    EXPECT_EQ(ParameterAt(*ra, 0)->GetOwner(), ra);
    EXPECT_EQ(ParameterAt(*ra, 1)->GetSampleMode(), "max");
    EXPECT_FALSE(ParameterAt(*ra, 1)->GetStoreSamplesConfigured());
    EXPECT_EQ(rb->GetName(), "CAL_1");
    EXPECT_TRUE(rb->GetReport());
    EXPECT_EQ(ParameterAt(*rb, 0)->GetSampleMode(), "Inst");
    EXPECT_EQ(ParameterAt(*rb, 0)->GetPrecision(), 3);
    // The defaults stand for the times a plain event's channel does not write.
    CDASChannel fresh(inst.get());
    EXPECT_EQ(rb->GetSamplePeriod(), fresh.GetSamplePeriod());
    EXPECT_EQ(rb->GetStartDate(), fresh.GetStartDate());
    // Writing again gives the same text.
    DlogInstrumentData copy;
    EXPECT_EQ(ra->GetText(dlogform::kScript), a->GetText(dlogform::kScript));
}

TEST(DlogScriptReader, keywordsInAnyCaseUnquotedNamesAndRepeatedItems) {
    auto inst = MakeInstrument();
    CNamedObjectList channels;
    ASSERT_TRUE(
        ReadScriptText("DasBegin\n ChannelBegin Name First RECORDS 5 records 7 Name \"Second one\"\n"
                       "FILE \"X.DAT\" Event \"TIMER\" PARAMLISTBEGIN Parameter NO aVg 2 StoreSamples\n"
                       "ParamListEnd ChannelEnd\nDASEND\n",
                       *inst, channels));
    auto* c = static_cast<CDASChannel*>(channels.at(0));
    EXPECT_EQ(c->GetName(), "Second one");
    EXPECT_EQ(c->GetRecordCount(), 7);
    EXPECT_EQ(c->GetFileName(), "X.DAT");
    EXPECT_EQ(ParameterAt(*c, 0)->GetSampleMode(), "aVg");
    EXPECT_TRUE(ParameterAt(*c, 0)->GetStoreSamplesConfigured());
}

TEST(DlogScriptReader, outOfRangeNumbersMarkTheOffendingToken) {
    auto inst = MakeInstrument();
    struct Case {
        const char* item;
        const char* token;
        bool ok;
    };
    const Case cases[] = {
        {"    startdate 13/1/2024\r\n", "13", false},
        {"    startdate 2/30/2024\r\n", "2024", false},
        {"    startdate 2/29/2024\r\n", "", true},
        {"    sampleperiod 000:24:00\r\n", "24", false},
        {"    sampleperiod 367:00:00\r\n", "367", false},
        {"    reportperiod 000:00:59\r\n", "", true},
        {"    reportperiod 000:00:60\r\n", "60", false},
        {"    status on\r\n", "on", false},
        {"    bogus 1\r\n", "bogus", false},
        {"    records x\r\n", "x", false},
    };
    for (const Case& c : cases) {
        CNamedObjectList channels;
        std::string token;
        int line = 0;
        EXPECT_EQ(ReadScriptText(OneChannelScript(c.item), *inst, channels, &token, &line), c.ok) << c.item;
        if (!c.ok) {
            EXPECT_EQ(token, c.token) << c.item;
            EXPECT_EQ(line, 4) << c.item;
        }
    }
}

TEST(DlogScriptReader, scriptWithoutDasendOrWithTrailingTextFails) {
    auto inst = MakeInstrument();
    CNamedObjectList channels;
    std::string token;
    EXPECT_FALSE(
        ReadScriptText("dasbegin\r\n  channelbegin name \"A\" channelend\r\n", *inst, channels, &token));
    EXPECT_EQ(token, "<end of file>");
    EXPECT_FALSE(ReadScriptText("dasbegin dasend extra\r\n", *inst, channels, &token));
    EXPECT_EQ(token, "extra");
    EXPECT_FALSE(ReadScriptText("channelbegin", *inst, channels, &token));
    EXPECT_EQ(token, "channelbegin");
}

const char* const kReport =
    "SETUP PROPERTIES FOR OZONE:\r\n"
    "EVENT:             TIMER\r\n"
    "STARTING DATE:     05-Mar-2024\r\n"
    "SAMPLE PERIOD:     000:01:00\r\n"
    "REPORT PERIOD:     001:00:00\r\n"
    "FILE NAME:         \"OZONE DATA.DAT\" \r\n"
    "NUMBER OF RECORDS: 500\r\n"
    "RS-232 REPORT:     ON\r\n"
    "COMPACT REPORT:    OFF\r\n"
    "CHANNEL ENABLED:   ON\r\n"
    "CAL. HOLD OFF:     ON\r\n"
    "PARAMETERS:        2\r\n"
    "PARAMETER=NO, MODE=AVG, PRECISION=1, STORE_SAMPLES=ON, UNITS=PPB\r\n"
    "PARAMETER=\"NO2\", MODE=max, PRECISION=3\r\n"
    "SETUP PROPERTIES FOR CAL\r\n"
    "NAME: CAL2\r\n"
    "FILE NAME:  CAL.DAT  \r\n"
    "PARAMETERS: 0\r\n";

TEST(DlogReportReader, printedReportOfOlderInstrumentsReads) {
    auto inst = MakeInstrument("d");
    CNamedObjectList channels;
    TextStream s(kReport);
    ASSERT_TRUE(ReadConfigurationReply(*s, *inst, false, false, channels))
        << s->GetErrorText() << " line " << s->GetErrorLine() << " at " << s->GetTokenText();
    ASSERT_EQ(channels.size(), 2u);
    auto* c = static_cast<CDASChannel*>(channels.at(0));
    EXPECT_EQ(c->GetName(), "OZONE");
    EXPECT_EQ(c->GetEvent(), "TIMER");
    EXPECT_EQ(c->GetStartDate(), DateTime::FromElements(2024, 3, 5, 0, 0, 0));
    EXPECT_EQ(c->GetSamplePeriod(), 3600u);
    EXPECT_EQ(c->GetReportPeriod(), 86400u);
    EXPECT_EQ(c->GetFileName(), "OZONE DATA.DAT");
    EXPECT_EQ(c->GetRecordCount(), 500);
    EXPECT_TRUE(c->GetReport());
    EXPECT_FALSE(c->GetCompact());
    EXPECT_TRUE(c->GetEnabled());
    EXPECT_TRUE(c->GetHoldOff());
    ASSERT_EQ(c->Parameters().size(), 2u);
    EXPECT_EQ(ParameterAt(*c, 0)->GetName(), "NO");
    EXPECT_EQ(ParameterAt(*c, 0)->GetPrecision(), 1);
    EXPECT_TRUE(ParameterAt(*c, 0)->GetStoreSamplesInEffect());
    EXPECT_EQ(ParameterAt(*c, 0)->GetUnits(), "ppb");
    EXPECT_EQ(ParameterAt(*c, 1)->GetSampleMode(), "max");
    EXPECT_FALSE(ParameterAt(*c, 1)->GetStoreSamplesConfigured());
    auto* cal = static_cast<CDASChannel*>(channels.at(1));
    EXPECT_EQ(cal->GetName(), "CAL2");
    EXPECT_EQ(cal->GetFileName(), "CAL.DAT");
    EXPECT_TRUE(cal->Parameters().empty());
}

TEST(DlogReportReader, badStoreSamplesValueAndMissingFileNameFail) {
    auto inst = MakeInstrument("d");
    CNamedObjectList channels;
    TextStream bad(
        "SETUP PROPERTIES FOR A\r\nPARAMETERS: 1\r\nPARAMETER=NO, MODE=AVG, PRECISION=1, "
        "STORE_SAMPLES=2\r\n");
    EXPECT_FALSE(ReadConfigurationReply(*bad, *inst, false, false, channels));
    EXPECT_EQ(bad->GetErrorText(), "2");
    TextStream noFile("SETUP PROPERTIES FOR A\r\nFILE NAME:   \r\nPARAMETERS: 0\r\n");
    EXPECT_FALSE(ReadConfigurationReply(*noFile, *inst, false, false, channels));
    TextStream fewer("SETUP PROPERTIES FOR A\r\nPARAMETERS: 2\r\nPARAMETER=NO, MODE=AVG, PRECISION=1\r\n");
    EXPECT_FALSE(ReadConfigurationReply(*fewer, *inst, false, false, channels));
}

TEST(DlogReportWriter, listsRawCountsAndParameterLabels) {
    auto inst = MakeInstrument();
    CDASChannel* c = AddChannel(*inst, "A");
    c->SetStartDate(DateTime::FromSeconds(86400));
    c->SetFileName("F");
    AddParameter(*c, "NO", "AVG")->SetUnits("ppb");
    EXPECT_EQ(c->GetText(dlogform::kReport),
              "NAME:              \"A\"\r\nEVENT:             \"TIMER\"\r\nSTARTING DATE:     86400\r\n"
              "SAMPLE PERIOD:     60\r\nREPORT PERIOD:     3600\r\nNUMBER OF RECORDS: 100\r\n"
              "FILE NAME:         \"F\"\r\nRS-232 REPORT:     0\r\nCOMPACT REPORT:    0\r\n"
              "CHANNEL ENABLED:   1\r\nCAL. HOLD OFF:     0\r\nPARAMETERS:        1\r\n"
              "NO (ppb), AVG, Set 0, 0 Records\r\n");
}

TEST(DlogEventsReply, eventsWithAndWithoutBeginEnd) {
    CNamedObjectList events;
    TextStream framed("EVENTBEGIN\r\nTIMEREVENT LOW \"TIMER\" 1\r\nEVENT high CAL 0x10\r\nEVENTEND\r\n");
    ASSERT_TRUE(ReadEventsReply(*framed, true, events));
    ASSERT_EQ(events.size(), 2u);
    auto* timer = static_cast<CDASEvent*>(events.at(0));
    auto* cal = static_cast<CDASEvent*>(events.at(1));
    EXPECT_TRUE(timer->IsTimer());
    EXPECT_EQ(timer->GetLevel(), dlevel::kLow);
    EXPECT_EQ(cal->GetId(), 16u);
    EXPECT_EQ(cal->GetLevel(), dlevel::kHigh);
    EXPECT_FALSE(cal->IsTimer());

    CNamedObjectList bare;
    TextStream unframed("EVENT MED WARMUP 3\r\nEVENT LOW ALARM 4\r\n");
    ASSERT_TRUE(ReadEventsReply(*unframed, false, bare));
    EXPECT_EQ(bare.size(), 2u);
}

TEST(DlogEventsReply, badLevelKeepsThePreviousList) {
    auto inst = MakeInstrument("deo");
    TextStream bad("EVENTBEGIN\r\nEVENT LOUD X 1\r\nEVENTEND\r\n");
    EXPECT_FALSE(ApplyEventsReply(*bad, *inst));
    EXPECT_EQ(inst->DlogEvents().size(), 2u);
    EXPECT_FALSE(inst->IsNetworkModified());
    TextStream good("EVENTBEGIN\r\nEVENT LOW X 1\r\nEVENTEND\r\n");
    EXPECT_TRUE(ApplyEventsReply(*good, *inst));
    EXPECT_EQ(inst->DlogEvents().size(), 1u);
    EXPECT_TRUE(inst->IsNetworkModified());
}

TEST(DlogPointsReply, pointsCarryUnitsAndMissingFieldsFail) {
    auto inst = MakeInstrument("de");
    TextStream good("DATAPOINT LOW NO 1 \"ppb\"\r\nDATAPOINT HIGH T_INT 2 \"\"\r\n");
    ASSERT_TRUE(ApplyPointsReply(*good, *inst));
    ASSERT_EQ(inst->DlogPoints().size(), 2u);
    auto* t = static_cast<CDASPoint*>(inst->DlogPoints().at(1));
    EXPECT_EQ(t->GetUnits(), "");
    EXPECT_EQ(t->GetLevel(), dlevel::kHigh);
    TextStream missing("DATAPOINT LOW NO 1\r\n");
    EXPECT_FALSE(ApplyPointsReply(*missing, *inst));
    EXPECT_EQ(inst->DlogPoints().size(), 2u);
    CNamedObjectList framed;
    TextStream withFrame("PARAMETERBEGIN DATAPOINT MED SO2 3 ppb PARAMETEREND");
    EXPECT_TRUE(ReadPointsReply(*withFrame, true, framed));
}

TEST(DlogConfigurationReply, transferReplacesChannelsAndRestoresInEffectFlags) {
    auto inst = MakeInstrument();
    AddChannel(*inst, "OLD");
    inst->SetDlogModified(true);
    CNamedObjectList channels;
    ASSERT_TRUE(
        ReadScriptText(OneChannelScript("paramlistbegin parameter NO AVG 1 storesamples paramlistend\r\n"),
                       *inst, channels));
    ParameterAt(*static_cast<CDASChannel*>(channels.at(0)), 0)->SetStoreSamplesInEffect(false);
    ApplyTransferredConfiguration(*inst, &channels);
    ASSERT_EQ(inst->DlogChannels().size(), 1u);
    EXPECT_EQ(ChannelAt(*inst, 0)->GetName(), "A");
    EXPECT_TRUE(ParameterAt(*ChannelAt(*inst, 0), 0)->GetStoreSamplesInEffect());
    EXPECT_FALSE(inst->IsDlogModified());
    EXPECT_TRUE(inst->IsNetworkModified());
}

class DlogScriptFiles : public ::testing::Test {
  protected:
    test::TempDir dir;
    std::unique_ptr<DlogInstrumentData> inst = MakeInstrument();
};

TEST_F(DlogScriptFiles, saveThenLoadRestoresTheConfigurationAndClearsTheMark) {
    CDASChannel* c = AddChannel(*inst, "OZONE");
    AddParameter(*c, "NO", "AVG", 2, true);
    inst->SetDlogModified(true);
    const std::string path = dir.File("config.txt");
    ASSERT_TRUE(SaveDlogScriptFile(path, *inst).ok);
    EXPECT_FALSE(inst->IsDlogModified());
    EXPECT_EQ(test::ReadFile(path), GetConfigurationText(*inst, dlogform::kScript));

    auto other = MakeInstrument();
    other->SetDlogModified(true);
    const DlogFileResult loaded = LoadDlogScriptFile(path, *other);
    ASSERT_TRUE(loaded.ok) << loaded.message;
    EXPECT_FALSE(other->IsDlogModified());
    EXPECT_TRUE(other->IsNetworkModified());
    ASSERT_EQ(other->DlogChannels().size(), 1u);
    EXPECT_EQ(ChannelAt(*other, 0)->GetInstrument(), other.get());
    EXPECT_EQ(ChannelAt(*other, 0)->GetText(dlogform::kScript), c->GetText(dlogform::kScript));
}

TEST_F(DlogScriptFiles, syntaxErrorNamesTokenLineAndFileAndKeepsTheConfiguration) {
    AddChannel(*inst, "KEEP");
    const std::string path = dir.File("bad.txt");
    test::WriteFile(path,
                    "dasbegin\n  channelbegin\n    name \"A\"\n    records many\n  channelend\ndasend\n");
    const DlogFileResult result = LoadDlogScriptFile(path, *inst);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message,
              "Syntax error encountered at 'many', on line 4 of DLOG configuration script file " + path +
                  ". File not loaded.");
    ASSERT_EQ(inst->DlogChannels().size(), 1u);
    EXPECT_EQ(ChannelAt(*inst, 0)->GetName(), "KEEP");

    test::WriteFile(path, "dasbegin\ndasend\nmore\n");
    EXPECT_NE(LoadDlogScriptFile(path, *inst).message.find("'more', on line 3"), std::string::npos);
    EXPECT_FALSE(LoadDlogScriptFile(dir.File("missing.txt"), *inst).ok);
}

TEST_F(DlogScriptFiles, failedSaveReportsAndLeavesNoTemporary) {
    inst->SetDlogModified(true);
    const std::string path = dir.File("no/such/dir/config.txt");
    const DlogFileResult result = SaveDlogScriptFile(path, *inst);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "Unable to save DLOG configuration file " + path + ".");
    EXPECT_TRUE(inst->IsDlogModified());
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(DlogScriptFiles, proposedNameIsCleaned) {
    EXPECT_EQ(ProposeScriptFileName(*inst), "Roof Analyzer-SN123 DLOG Configuration.txt");
    EXPECT_EQ(CleanFileName("a`b'c\"d<e>f/g\\h|i&j*k?l:m\tn\x7f"), "abcdefghijkl:mn");
}

}  // namespace
}  // namespace talven

namespace talven {
namespace {

TEST(DlogTransferReplies, channelCountsAndProgressRange) {
    test::TextStream num("NUMCHANNELS = 4\r\n");
    EXPECT_EQ(ReadNumChannelsReply(*num), 4);
    test::TextStream other("ERROR\r\n");
    EXPECT_EQ(ReadNumChannelsReply(*other), 0);
    test::TextStream records("D 001:00:00 0 A RECORDS=1\r\nnoise\r\nD 001:00:00 0 B RECORDS=0\r\n");
    EXPECT_EQ(CountRecordCountLines(*records), 2);
    EXPECT_EQ(ConfigurationProgressRange(0, false), 20);
    EXPECT_EQ(ConfigurationProgressRange(0, true), 22);
    EXPECT_EQ(ConfigurationProgressRange(3, true), 5);
}

TEST(DlogTransferReplies, storedConfirmationAndScriptLines) {
    test::TextStream stored("new das configuration stored.\r\n");
    EXPECT_TRUE(ReadConfigurationStoredReply(*stored));
    test::TextStream error("ERROR: bad channel\r\n");
    EXPECT_FALSE(ReadConfigurationStoredReply(*error));
    EXPECT_EQ(SplitScriptLines("dasbegin\r\n  a\r\ndasend\r\n"),
              (std::vector<std::string>{"dasbegin\r\n", "  a\r\n", "dasend\r\n"}));
    EXPECT_EQ(SplitScriptLines("x"), (std::vector<std::string>{"x"}));
}

}  // namespace
}  // namespace talven
