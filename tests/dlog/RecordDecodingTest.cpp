#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "DlogTestSupport.h"
#include "dlog/RecordDecoding.h"

namespace talven {
namespace {

using test::AddChannel;
using test::AddParameter;
using test::At;
using test::MakeInstrument;
using test::TextStream;

// ---- request ----

TEST(DlogPeriodStart, hoursDaysWeeksAndMonthsCountTheCurrentPeriod) {
    const DateTime wednesday = At(2024, 5, 15, 13, 45, 10);  // a Wednesday
    EXPECT_EQ(PeriodStart(CSelectionSet::kRecentHours, 1, wednesday), At(2024, 5, 15, 13).seconds());
    EXPECT_EQ(PeriodStart(CSelectionSet::kRecentHours, 3, wednesday), At(2024, 5, 15, 11).seconds());
    EXPECT_EQ(PeriodStart(CSelectionSet::kRecentDays, 1, wednesday), At(2024, 5, 15).seconds());
    EXPECT_EQ(PeriodStart(CSelectionSet::kRecentDays, 366, wednesday), At(2023, 5, 16).seconds());
    EXPECT_EQ(PeriodStart(CSelectionSet::kRecentWeeks, 1, wednesday), At(2024, 5, 12).seconds());  // Sunday
    EXPECT_EQ(PeriodStart(CSelectionSet::kRecentWeeks, 2, wednesday), At(2024, 5, 5).seconds());
    EXPECT_EQ(PeriodStart(CSelectionSet::kRecentMonths, 1, wednesday), At(2024, 5, 1).seconds());
    EXPECT_EQ(PeriodStart(CSelectionSet::kRecentMonths, 12, wednesday), At(2023, 6, 1).seconds());
    EXPECT_EQ(PeriodStart(CSelectionSet::kRecentMonths, 6, At(2024, 2, 10)), At(2023, 9, 1).seconds());
}

TEST(DlogPeriodStart, periodsBeforeNineteenSeventyStartAtTheEpoch) {
    const DateTime early = At(1970, 1, 2, 5);
    EXPECT_EQ(PeriodStart(CSelectionSet::kRecentDays, 5, early), 0u);
    EXPECT_EQ(PeriodStart(CSelectionSet::kRecentHours, 100, early), 0u);
    EXPECT_EQ(PeriodStart(CSelectionSet::kRecentMonths, 3, early), 0u);
    EXPECT_EQ(PeriodStart(CSelectionSet::kRecentWeeks, 3, early), 259200u);
}

class DlogReportRequest : public ::testing::Test {
  protected:
    std::unique_ptr<DlogInstrumentData> inst = MakeInstrument();
    CDASChannel* channel = AddChannel(*inst, "OZONE");
    CSelectionSet selection;
    const DateTime now = At(2024, 5, 15, 13, 45, 10);

    ReportRequest Build(std::int32_t mode, bool fromTo = true, std::int32_t expected = 100) {
        selection.mode = mode;
        channel->SetActiveSelection(&selection);
        return BuildReportRequest(*channel, expected, fromTo, now);
    }
};

TEST_F(DlogReportRequest, allRecordsAndSinceLastDownload) {
    EXPECT_EQ(Build(CSelectionSet::kAll).text, "report \"OZONE\"");
    ReportRequest never = Build(CSelectionSet::kSinceLast);
    EXPECT_EQ(never.text, "report \"OZONE\"");
    EXPECT_FALSE(never.fromFlag);
    channel->SetDownloadedBefore(true);
    channel->SetLastDownload(At(2024, 5, 14, 8, 0, 0));
    // The instrument is asked from the newest record downloaded, so that it always has one to
    // send back; the second after it is where the kept records begin.
    ReportRequest since = Build(CSelectionSet::kSinceLast);
    EXPECT_EQ(since.text, "report \"OZONE\" from=05/14/2024 08:00:00");
    EXPECT_TRUE(since.instrumentSelects);
    EXPECT_TRUE(since.answerExpected);
    EXPECT_EQ(since.from, At(2024, 5, 14, 8, 0, 1).seconds());
    EXPECT_FALSE(Build(CSelectionSet::kRecentDays).answerExpected);
    EXPECT_TRUE(Build(CSelectionSet::kRecentDays, false).answerExpected);
}

TEST_F(DlogReportRequest, mostRecentRecordsAskForNoMoreThanTheChannelHolds) {
    selection.records = 500;
    ReportRequest r = Build(CSelectionSet::kRecentRecords, true, 120);
    EXPECT_EQ(r.text, "report \"OZONE\" records=120");
    EXPECT_EQ(r.expected, 120);
    selection.records = 7;
    EXPECT_EQ(Build(CSelectionSet::kRecentRecords, true, 120).text, "report \"OZONE\" records=7");
}

TEST_F(DlogReportRequest, betweenSendsBothDatesOnlyWithCapabilityAndFlag) {
    selection.from = At(2024, 1, 2, 3, 4, 5).seconds();
    selection.to = At(2024, 12, 31, 23, 59, 59).seconds();
    ReportRequest r = Build(CSelectionSet::kBetween);
    EXPECT_EQ(r.text, "report \"OZONE\" from=01/02/2024 03:04:05 to=12/31/2024 23:59:59");
    EXPECT_TRUE(r.fromFlag && r.toFlag && r.instrumentSelects);
    ReportRequest without = Build(CSelectionSet::kBetween, false);
    EXPECT_EQ(without.text, "report \"OZONE\"");
    EXPECT_TRUE(without.fromFlag && without.toFlag);
    EXPECT_FALSE(without.instrumentSelects);
    selection.useInstrumentSelection = false;
    EXPECT_EQ(Build(CSelectionSet::kBetween).text, "report \"OZONE\"");
}

TEST_F(DlogReportRequest, recentDaysStartAtMidnight) {
    selection.days = 2;
    EXPECT_EQ(Build(CSelectionSet::kRecentDays).text, "report \"OZONE\" from=05/14/2024 00:00:00");
}

TEST(DlogRecordForm, formFollowsTheCapabilities) {
    EXPECT_EQ(ChooseRecordForm("dih"), RecordForm::kBase64);
    EXPECT_STREQ(RecordFormSuffix(ChooseRecordForm("dihw")), " base64");
    EXPECT_EQ(ChooseRecordForm("dhw"), RecordForm::kHex);
    EXPECT_EQ(ChooseRecordForm("dh"), RecordForm::kOldHex);
    EXPECT_STREQ(RecordFormSuffix(RecordForm::kOldHex), " hex");
    EXPECT_EQ(ChooseRecordForm("d"), RecordForm::kText);
    EXPECT_STREQ(RecordFormSuffix(RecordForm::kText), " compact");
}

TEST(DlogRecordCount, countLineIsFoundAmongOtherLines) {
    TextStream s("\r\nV 001:00:00 0 OTHER\r\nD 135:10:20 0 OZONE RECORDS=42\r\n");
    std::string name;
    std::int32_t count = 0;
    ASSERT_TRUE(FindRecordCountLine(*s, name, count));
    EXPECT_EQ(name, "OZONE");
    EXPECT_EQ(count, 42);
    EXPECT_FALSE(FindRecordCountLine(*s, name, count));
    EXPECT_EQ(RecordsCommand("OZONE"), "records \"OZONE\"");
}

// ---- text records ----

class DlogTextRecords : public ::testing::Test {
  protected:
    std::unique_ptr<DlogInstrumentData> inst = MakeInstrument("d");
    CDASChannel* channel = AddChannel(*inst, "OZONE");
    CDASParameter* no = AddParameter(*channel, "NO");
    CDASParameter* no2 = AddParameter(*channel, "NO2");
    CDASParameter* o3 = AddParameter(*channel, "O3");

    void SetUp() override { channel->SetSelected(true); }

    // Reads a whole reply; returns the last result.
    TextRecordReader::Result Read(TextRecordReader& reader, const std::string& reply, int* starts = nullptr) {
        TextStream s(reply);
        TextRecordReader::Result r;
        int started = 0;
        do {
            bool recordStarted = false;
            r = reader.ReadLine(*s, recordStarted);
            started += recordStarted;
        } while (r == TextRecordReader::kRecordLine);
        if (starts)
            *starts = started;
        return r;
    }
};

TEST_F(DlogTextRecords, valuesContinueAcrossLinesAndMissingValuesAreInvalid) {
    TextRecordReader reader(*channel, At(2024, 1, 1));
    int starts = 0;
    EXPECT_EQ(Read(reader,
                   "D 032:10:05 0 OZONE: 1 1.5 -2\r\n"
                   "D 032:10:05 0 OZONE: 2 XX\r\n"
                   "D 032:10:06 0 OZON: 1 3 4.25 x 99\r\n"
                   "Done.\r\n"
                   "D 032:10:07 0 OZONE: 1 7 7 7\r\n",
                   &starts),
              TextRecordReader::kEnd);
    EXPECT_EQ(starts, 2);
    ASSERT_EQ(no->Records().size(), 2u);
    ASSERT_EQ(o3->Records().size(), 2u);
    EXPECT_EQ(no->Records()[0].value, 1.5);
    EXPECT_EQ(no->Records()[0].time, At(2024, 2, 1, 10, 5).seconds());
    EXPECT_EQ(no->Records()[0].samples, 1);
    EXPECT_EQ(no2->Records()[0].value, -2.0);
    EXPECT_FALSE(o3->Records()[0].valid);
    EXPECT_EQ(o3->Records()[0].samples, 0);
    EXPECT_EQ(o3->Records()[0].time, At(2024, 2, 1, 10, 5).seconds());
    EXPECT_EQ(no2->Records()[1].value, 4.25);
    EXPECT_FALSE(o3->Records()[1].valid);  // the extra value past the last parameter is dropped
}

TEST_F(DlogTextRecords, unselectedParameterConsumesItsValuesWithoutRecords) {
    channel->SetSelected(false);
    no->SetSelected(true);
    o3->SetSelected(true);
    TextRecordReader reader(*channel, At(2024, 1, 1));
    Read(reader, "D 001:00:00 0 OZONE: 1 1 2 3\r\nD 001:00:01 0 OZONE: 1 4 5 6\r\n");
    EXPECT_TRUE(no2->Records().empty());
    ASSERT_EQ(o3->Records().size(), 2u);
    EXPECT_EQ(o3->Records()[1].value, 6.0);
}

TEST_F(DlogTextRecords, wrongChannelOrBadTokenFailsKeepingRecordsSoFar) {
    TextRecordReader reader(*channel, At(2024, 1, 1));
    EXPECT_EQ(Read(reader, "D 001:00:00 0 OZONE: 1 1 2 3\r\nD 001:00:01 0 OTHER: 1 4 5 6\r\n"),
              TextRecordReader::kFailed);
    EXPECT_EQ(no->Records().size(), 1u);
    TextRecordReader longer(*channel, At(2024, 1, 1));
    EXPECT_EQ(Read(longer, "D 001:00:00 0 OZONE_TOO_LONG: 1 1\r\n"), TextRecordReader::kFailed);
    TextRecordReader symbol(*channel, At(2024, 1, 1));
    EXPECT_EQ(Read(symbol, "D 001:00:00 0 OZONE: 1 1 = 3\r\n"), TextRecordReader::kFailed);
}

TEST_F(DlogTextRecords, wordValueDropsTheRestOfTheLineOnly) {
    TextRecordReader reader(*channel, At(2024, 1, 1));
    Read(reader, "D 001:00:00 0 OZONE: 1 1 NaN 3\r\nD 001:00:00 0 OZONE: 2 5 6\r\n");
    ASSERT_EQ(no->Records().size(), 1u);
    ASSERT_EQ(no2->Records().size(), 1u);
    EXPECT_EQ(no2->Records()[0].value, 5.0);  // the cursor stood on NO2 when the word came
    EXPECT_EQ(o3->Records()[0].value, 6.0);
}

TEST_F(DlogTextRecords, outOfRangeTimeElementsCountAsTheirLowest) {
    TextRecordReader reader(*channel, At(2024, 1, 1));
    Read(reader, "D 400:25:61 0 OZONE: 1 1 2 3\r\n");
    EXPECT_EQ(no->Records()[0].time, At(2024, 1, 1).seconds());
}

TEST_F(DlogTextRecords, newYearReplyPutsDecemberRecordsInThePreviousYear) {
    // Instrument clock: 2 January 2025 08:00; the records run from 30 December to 2 January.
    const DateTime instrumentNow = At(2025, 1, 2, 8, 0);
    TextRecordReader reader(*channel, TextRecordBase(instrumentNow, "OZONE"));
    Read(reader,
         "D 365:23:00 0 OZONE: 1 1 1 1\r\n"    // 30 Dec 2024 (leap year: day 365)
         "D 366:23:30 0 OZONE: 1 2 2 2\r\n"    // 31 Dec 2024
         "D 001:00:30 0 OZONE: 1 3 3 3\r\n"    // 1 Jan 2025
         "D 002:07:59 0 OZONE: 1 4 4 4\r\n");  // 2 Jan 2025
    reader.Finish(instrumentNow, ReportRequest{});
    ASSERT_EQ(no->Records().size(), 4u);
    EXPECT_EQ(no->Records()[0].time, At(2024, 12, 30, 23, 0).seconds());
    EXPECT_EQ(no->Records()[1].time, At(2024, 12, 31, 23, 30).seconds());
    EXPECT_EQ(no->Records()[2].time, At(2025, 1, 1, 0, 30).seconds());
    EXPECT_EQ(no->Records()[3].time, At(2025, 1, 2, 7, 59).seconds());
    EXPECT_EQ(o3->Records()[1].time, At(2024, 12, 31, 23, 30).seconds());
}

TEST_F(DlogTextRecords, leapDayMovedIntoACommonYearKeepsItsTrueDate) {
    // Instrument clock early in 2025; a record of day 60 stamped later than now belongs to 2024,
    // where day 60 is 29 February.
    const DateTime instrumentNow = At(2025, 1, 10, 12, 0);
    TextRecordReader reader(*channel, TextRecordBase(instrumentNow, "OZONE"));
    Read(reader, "D 060:12:00 0 OZONE: 1 1 1 1\r\nD 010:11:00 0 OZONE: 1 2 2 2\r\n");
    reader.Finish(instrumentNow, ReportRequest{});
    EXPECT_EQ(no->Records()[0].time, At(2024, 2, 29, 12, 0).seconds());
    EXPECT_EQ(no->Records()[1].time, At(2025, 1, 10, 11, 0).seconds());
}

TEST_F(DlogTextRecords, replyWithinTheYearNeedsNoCorrectionAndLaterRecordsGoBack) {
    const DateTime instrumentNow = At(2024, 6, 1, 12, 0);
    TextRecordReader reader(*channel, TextRecordBase(instrumentNow, "OZONE"));
    Read(reader, "D 100:00:00 0 OZONE: 1 1 1 1\r\nD 153:12:00 0 OZONE: 1 2 2 2\r\n");
    reader.Finish(instrumentNow, ReportRequest{});
    EXPECT_EQ(no->Records()[0].time, At(2024, 4, 9).seconds());
    EXPECT_EQ(no->Records()[1].time, At(2024, 6, 1, 12, 0).seconds());

    no->ClearRecords();
    TextRecordReader later(*channel, TextRecordBase(instrumentNow, "OZONE"));
    Read(later, "D 200:00:00 0 OZONE: 1 1 1 1\r\n");  // after the instrument's clock
    later.Finish(instrumentNow, ReportRequest{});
    EXPECT_EQ(no->Records()[0].time, At(2023, 7, 19).seconds());
}

TEST_F(DlogTextRecords, severalYearsBackStepOneYearPerWrap) {
    std::vector<CDataRecord> records;
    const DateTime base = At(2024, 1, 1);
    for (std::uint32_t dayOffset : {300u, 10u, 300u, 10u})
        records.push_back({0, 1, base.seconds() + dayOffset * 86400, true});
    CorrectRecordYears(records, base, At(2024, 1, 20).seconds());
    EXPECT_EQ(records[0].time, At(2022, 10, 28).seconds());
    EXPECT_EQ(records[1].time, At(2023, 1, 11).seconds());
    EXPECT_EQ(records[2].time, At(2023, 10, 28).seconds());
    EXPECT_EQ(records[3].time, At(2024, 1, 11).seconds());
}

TEST_F(DlogTextRecords, dateFilterDropsRecordsOutsideTheRange) {
    const DateTime instrumentNow = At(2024, 6, 1);
    TextRecordReader reader(*channel, TextRecordBase(instrumentNow, "OZONE"));
    Read(reader,
         "D 010:00:00 0 OZONE: 1 1 1 1\r\nD 011:00:00 0 OZONE: 1 2 2 2\r\nD 012:00:00 0 OZONE: 1 3 3 3\r\n");
    ReportRequest range;
    range.fromFlag = range.toFlag = true;
    range.from = At(2024, 1, 11).seconds();
    range.to = At(2024, 1, 11).seconds();
    reader.Finish(instrumentNow, range);
    ASSERT_EQ(no->Records().size(), 1u);
    EXPECT_EQ(no->Records()[0].value, 2.0);
}

TEST(DlogTextRecordBase, unreadableInstrumentDateFallsBackToThePcYear) {
    const DateTime base = TextRecordBase(DateTime::FromElements(2024, 13, 1, 0, 0, 0), "OZONE");
    EXPECT_EQ(base.year(), DateTime::Now().year());
    EXPECT_EQ(base.dayOfYear(), 1);
    EXPECT_EQ(TextRecordBase(At(2023, 7, 4, 10), "OZONE"), At(2023, 1, 1));
}

// ---- binary records ----

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutFloat(std::vector<std::uint8_t>& out, float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    PutU32(out, bits);
}

class DlogBinaryRecords : public ::testing::Test {
  protected:
    std::unique_ptr<DlogInstrumentData> inst = MakeInstrument();
    CDASChannel* channel = AddChannel(*inst, "OZONE");
    CDASParameter* no = AddParameter(*channel, "NO", "AVG", 2, true);
    CDASParameter* no2 = AddParameter(*channel, "NO2", "AVG", 2, false);
    ReportRequest all;

    void SetUp() override { channel->SetSelected(true); }

    std::vector<std::uint8_t> Record(std::uint32_t time, std::int32_t samples, float a, std::uint32_t bBits) {
        std::vector<std::uint8_t> r;
        PutU32(r, time);
        PutU32(r, static_cast<std::uint32_t>(samples));
        PutFloat(r, a);
        PutU32(r, bBits);
        return r;
    }
};

TEST_F(DlogBinaryRecords, everyFormDecodesTheSameRecord) {
    float two = 2.0f;
    std::uint32_t twoBits;
    std::memcpy(&twoBits, &two, 4);
    for (RecordForm form : {RecordForm::kBase64, RecordForm::kHex, RecordForm::kOldHex}) {
        channel->ClearData();
        BinaryRecordDecoder decoder(*channel, form);
        EXPECT_EQ(decoder.RecordSize(), 18u);
        std::vector<std::uint8_t> r = Record(1700000000, 12, 1.25f, twoBits);
        std::string line;
        if (form == RecordForm::kOldHex) {
            line = EncodeOldHexLine(r);
        } else {
            AppendRecordCrc(r);
            line = form == RecordForm::kBase64 ? EncodeBase64Line(r) : EncodeHexLine(r);
        }
        EXPECT_EQ(decoder.DecodeLine(line, all), BinaryRecordDecoder::kAppended);
        ASSERT_EQ(no->Records().size(), 1u);
        EXPECT_EQ(no->Records()[0].value, 1.25);
        EXPECT_EQ(no->Records()[0].samples, 12);
        EXPECT_EQ(no->Records()[0].time, 1700000000u);
        EXPECT_TRUE(no->Records()[0].valid);
        EXPECT_EQ(no2->Records()[0].value, 2.0);
        EXPECT_EQ(no2->Records()[0].samples, 1);
    }
}

TEST_F(DlogBinaryRecords, corruptLinesAreDroppedSilently) {
    std::vector<std::uint8_t> r = Record(5, 1, 1, 0);
    AppendRecordCrc(r);
    std::string hex = EncodeHexLine(r);
    hex[3] = hex[3] == '0' ? '1' : '0';
    BinaryRecordDecoder hexDecoder(*channel, RecordForm::kHex);
    EXPECT_EQ(hexDecoder.DecodeLine(hex, all), BinaryRecordDecoder::kDropped);
    EXPECT_EQ(hexDecoder.DecodeLine("00\r\n", all), BinaryRecordDecoder::kDropped);
    EXPECT_EQ(hexDecoder.DecodeLine("", all), BinaryRecordDecoder::kDropped);

    std::string old = EncodeOldHexLine(Record(5, 1, 1, 0));
    old[old.size() - 3] = old[old.size() - 3] == '0' ? '1' : '0';
    BinaryRecordDecoder oldDecoder(*channel, RecordForm::kOldHex);
    EXPECT_EQ(oldDecoder.DecodeLine(old, all), BinaryRecordDecoder::kDropped);
    EXPECT_EQ(oldDecoder.DecodeLine("X\r\n", all), BinaryRecordDecoder::kDropped);

    BinaryRecordDecoder b64(*channel, RecordForm::kBase64);
    EXPECT_EQ(b64.DecodeLine("AAAA\r\n", all), BinaryRecordDecoder::kDropped);
    EXPECT_EQ(b64.DecodeLine(std::string(5000, 'A'), all), BinaryRecordDecoder::kDropped);
    EXPECT_TRUE(no->Records().empty());
}

TEST_F(DlogBinaryRecords, nanIsInvalidButInfinityIsAValue) {
    BinaryRecordDecoder decoder(*channel, RecordForm::kBase64);
    for (std::uint32_t bits : {0x7FC00000u, 0x7F800001u, 0xFFC00000u, 0x7F800000u, 0xFF800000u}) {
        std::vector<std::uint8_t> r = Record(9, 4, 1.0f, bits);
        AppendRecordCrc(r);
        ASSERT_EQ(decoder.DecodeLine(EncodeBase64Line(r), all), BinaryRecordDecoder::kAppended);
    }
    const auto& recs = no2->Records();
    ASSERT_EQ(recs.size(), 5u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(recs[i].valid);
        EXPECT_EQ(recs[i].value, 0.0);
        EXPECT_EQ(recs[i].samples, 0);
    }
    EXPECT_TRUE(recs[3].valid);
    EXPECT_EQ(recs[3].value, std::numeric_limits<double>::infinity());
    EXPECT_TRUE(recs[4].valid);
    EXPECT_EQ(recs[4].value, -std::numeric_limits<double>::infinity());
}

TEST_F(DlogBinaryRecords, dateFilterAndUnselectedParametersKeepAlignment) {
    channel->SetSelected(false);
    no2->SetSelected(true);
    ReportRequest range;
    range.fromFlag = true;
    range.from = 100;
    BinaryRecordDecoder decoder(*channel, RecordForm::kHex);
    std::vector<std::uint8_t> early = Record(99, 3, 7, 0x40000000);
    std::vector<std::uint8_t> late = Record(100, 3, 7, 0x40400000);
    AppendRecordCrc(early);
    AppendRecordCrc(late);
    EXPECT_EQ(decoder.DecodeLine(EncodeHexLine(early), range), BinaryRecordDecoder::kFiltered);
    EXPECT_EQ(decoder.DecodeLine(EncodeHexLine(late), range), BinaryRecordDecoder::kAppended);
    EXPECT_TRUE(no->Records().empty());
    ASSERT_EQ(no2->Records().size(), 1u);
    EXPECT_EQ(no2->Records()[0].value, 3.0);
}

TEST(DlogBinaryRecordsWide, fiftyParametersStoringSamplesFitEveryForm) {
    auto inst = MakeInstrument();
    CDASChannel* channel = AddChannel(*inst, "WIDE");
    for (int i = 0; i < 50; ++i)
        AddParameter(*channel, "P" + std::to_string(i), "AVG", 1, true);
    channel->SetSelected(true);
    std::vector<std::uint8_t> r;
    PutU32(r, 1234567);
    for (int i = 0; i < 50; ++i) {
        PutU32(r, static_cast<std::uint32_t>(i + 1));
        PutFloat(r, static_cast<float>(i) * 0.5f);
    }
    ReportRequest all;
    for (RecordForm form : {RecordForm::kBase64, RecordForm::kHex, RecordForm::kOldHex}) {
        channel->ClearData();
        BinaryRecordDecoder decoder(*channel, form);
        ASSERT_EQ(decoder.RecordSize(), 406u);
        std::vector<std::uint8_t> bytes = r;
        std::string line;
        if (form == RecordForm::kOldHex) {
            line = EncodeOldHexLine(bytes);
        } else {
            AppendRecordCrc(bytes);
            line = form == RecordForm::kBase64 ? EncodeBase64Line(bytes) : EncodeHexLine(bytes);
        }
        EXPECT_LE(line.size(), 822u);
        ASSERT_EQ(decoder.DecodeLine(line, all), BinaryRecordDecoder::kAppended);
        auto* last = test::ParameterAt(*channel, 49);
        ASSERT_EQ(last->Records().size(), 1u);
        EXPECT_EQ(last->Records()[0].samples, 50);
        EXPECT_EQ(last->Records()[0].value, 24.5);
        EXPECT_EQ(last->Records()[0].time, 1234567u);
    }
}

TEST(DlogDownloadPreparation, selectedParametersAreEmptiedAndShareOneNewSet) {
    auto inst = MakeInstrument();
    CDASChannel* channel = AddChannel(*inst, "A");
    CDASParameter* a = AddParameter(*channel, "NO");
    CDASParameter* b = AddParameter(*channel, "NO2");
    CDASParameter* c = AddParameter(*channel, "O3");
    EXPECT_FALSE(PrepareChannelDownload(*channel));
    EXPECT_EQ(inst->NextDlogSetNumber(), 1u);
    a->SetSelected(true);
    c->SetSelected(true);
    a->Records().resize(3);
    b->Records().resize(3);
    EXPECT_TRUE(PrepareChannelDownload(*channel));
    EXPECT_TRUE(a->Records().empty());
    EXPECT_EQ(b->Records().size(), 3u);
    EXPECT_EQ(a->GetSetNumber(), 2u);
    EXPECT_EQ(c->GetSetNumber(), 2u);
    EXPECT_EQ(b->GetSetNumber(), 0u);
}

TEST(DlogDownloadPreparation, theMarkMovesToTheNewestTrustedRecordAndADateRangeNeverMovesItBack) {
    auto inst = MakeInstrument();
    CDASChannel* channel = AddChannel(*inst, "A");
    const DateTime pc = DateTime::FromSeconds(5000);
    ReportRequest since;
    since.mode = CSelectionSet::kSinceLast;
    RecordDownloadOutcome nothing;
    MarkChannelDownloaded(*channel, since, nothing, pc);
    EXPECT_FALSE(channel->GetDownloadedBefore());  // nothing arrived: the next download asks for all
    EXPECT_EQ(channel->GetDownloadedAt().seconds(), 5000u);

    RecordDownloadOutcome some;
    some.hasNewest = true;
    some.newest = 777;  // the instrument's clock, far behind the PC's
    MarkChannelDownloaded(*channel, since, some, pc);
    EXPECT_TRUE(channel->GetDownloadedBefore());
    EXPECT_EQ(channel->GetLastDownload().seconds(), 777u);

    ReportRequest between;
    between.mode = CSelectionSet::kBetween;
    some.newest = 500;
    MarkChannelDownloaded(*channel, between, some, pc);
    EXPECT_EQ(channel->GetLastDownload().seconds(), 777u);
    some.newest = 900;
    MarkChannelDownloaded(*channel, between, some, pc);
    EXPECT_EQ(channel->GetLastDownload().seconds(), 900u);
    // All records from an instrument whose clock was set back: the mark follows it back.
    ReportRequest all;
    some.newest = 600;
    MarkChannelDownloaded(*channel, all, some, pc);
    EXPECT_EQ(channel->GetLastDownload().seconds(), 600u);
}

TEST(DlogDownloadPreparation, automaticDownloadsArePacedByThePcClockOnceTheyRan) {
    auto inst = MakeInstrument();
    CDASChannel* channel = AddChannel(*inst, "A");
    channel->SetDownloadPeriod(3600);
    const DateTime pc = DateTime::FromElements(2026, 6, 1, 12, 0, 0);
    EXPECT_TRUE(channel->IsAutoDownloadDue(pc));
    channel->SetDownloadedBefore(true);
    // Before this run downloaded it, only the newest record's stamp tells.
    channel->SetLastDownload(pc - TimeSpan::FromSeconds(1800));
    EXPECT_FALSE(channel->IsAutoDownloadDue(pc));
    channel->SetLastDownload(pc - TimeSpan::FromSeconds(3600));
    EXPECT_TRUE(channel->IsAutoDownloadDue(pc));
    channel->SetLastDownload(pc + TimeSpan::FromSeconds(180));  // instrument ahead of the PC
    EXPECT_TRUE(channel->IsAutoDownloadDue(pc));
    // Once downloaded in this run, a stalled channel whose newest record stays old waits its period.
    channel->SetLastDownload(pc - TimeSpan::FromSeconds(86400));
    channel->SetDownloadedAt(pc - TimeSpan::FromSeconds(60));
    EXPECT_FALSE(channel->IsAutoDownloadDue(pc));
    EXPECT_TRUE(channel->IsAutoDownloadDue(pc + TimeSpan::FromSeconds(3540)));
}

}  // namespace
}  // namespace talven

namespace talven {
namespace {

TEST(DlogRecordMemory, reserveIsBoundedAndSpareRoomIsGivenBack) {
    auto inst = test::MakeInstrument();
    CDASChannel* channel = test::AddChannel(*inst, "A");
    CDASParameter* p = test::AddParameter(*channel, "NO");
    CDASParameter* idle = test::AddParameter(*channel, "NO2");
    p->SetSelected(true);
    ReserveRecords(*channel, 2000000000);  // a corrupt count from the instrument
    EXPECT_EQ(p->Records().capacity(), 1000000u);
    EXPECT_EQ(idle->Records().capacity(), 0u);
    p->Records().resize(10);
    ReleaseSpareRecords(*channel);
    EXPECT_LT(p->Records().capacity(), 20u);
    EXPECT_EQ(p->Records().size(), 10u);
}

}  // namespace
}  // namespace talven

namespace talven {
namespace {

TEST(DlogRecordLines, unscannableCharactersInSkippedLinesDoNotStallTheReader) {
    auto inst = test::MakeInstrument();
    CDASChannel* c = test::AddChannel(*inst, "OZONE");
    CDASParameter* p = test::AddParameter(*c, "NO");
    c->SetSelected(true);
    TextRecordReader reader(*c, DateTime::FromElements(2024, 1, 1, 0, 0, 0));
    test::TextStream s(
        "D 001:00:00 0 OZONE: 1 1 bad \x01 more\r\nD 001:00:01 0 OZONE: 1 2\r\n\x01\x02 junk\r\n");
    bool started = false;
    EXPECT_EQ(reader.ReadLine(*s, started), TextRecordReader::kRecordLine);
    EXPECT_EQ(reader.ReadLine(*s, started), TextRecordReader::kRecordLine);
    EXPECT_EQ(reader.ReadLine(*s, started), TextRecordReader::kEnd);
    EXPECT_EQ(p->GetRecordCount(), 2u);

    test::TextStream counts("\x01 noise\r\nD 001:00:00 0 OZONE RECORDS=4\r\n");
    std::string name;
    std::int32_t count = 0;
    EXPECT_TRUE(FindRecordCountLine(*counts, name, count));
    EXPECT_EQ(count, 4);
}

}  // namespace
}  // namespace talven
