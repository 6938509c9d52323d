// The data logger: record forms with their CRC and check sums, record selection, counts that
// follow the clock, and DLOG scripts sent to the instrument.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>

#include "SimFixture.h"
#include "foundation/StreamConverter.h"
#include "sim/Dlog.h"
#include "sim/Encoding.h"
#include "sim/Profiles.h"

namespace talven::sim::test {
namespace {

std::uint32_t U32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::vector<std::uint8_t> DecodeBase64Line(const std::string& line) {
    std::vector<std::uint8_t> buffer(1024);
    StreamToBuffer sink(buffer.data(), static_cast<std::int32_t>(buffer.size()));
    Base64Decoder decoder(&sink);
    PutBytes(&decoder, line.data(), static_cast<std::int64_t>(line.size()) - 2);
    FlushChain(&decoder);
    buffer.resize(static_cast<std::size_t>(sink.count()));
    return buffer;
}

std::vector<std::uint8_t> DecodeHex(std::string_view digits) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
        out.push_back(
            static_cast<std::uint8_t>(HexDigitValue(digits[i]) * 16 + HexDigitValue(digits[i + 1])));
    }
    return out;
}

bool CrcMatches(const std::vector<std::uint8_t>& record) {
    if (record.size() < 3)
        return false;
    const std::uint16_t crc = Crc16(record.data(), static_cast<std::int64_t>(record.size()) - 2).value();
    return crc == (record[record.size() - 2] | (record[record.size() - 1] << 8));
}

class AnalyzerRecords : public SimClientTest {};

TEST_F(AnalyzerRecords, base64RecordDecodesWithMatchingCrcAndStoredSamples) {
    start("analyzer");
    const std::string line = client->ask("d report \"CONC1\" records=1 base64");
    ASSERT_EQ(line.substr(line.size() - 2), "\r\n");
    const std::vector<std::uint8_t> record = DecodeBase64Line(line);
    ASSERT_EQ(record.size(), 6u + 3 * 4 + 4);
    EXPECT_TRUE(CrcMatches(record));
    EXPECT_EQ(U32(record.data()), FixedNow());  // 12:00 is on the 5-minute grid
    EXPECT_EQ(U32(record.data() + 4), 5u);      // NOX stores samples: 5 one-minute samples
}

TEST_F(AnalyzerRecords, fiftyParametersStoringSamplesFillFourHundredSixBytes) {
    start("hexcrc-analyzer");
    const std::string line = client->ask("d report \"DIAG50\" records=1 hex");
    ASSERT_EQ(line.size(), 406u * 2 + 2);
    const std::vector<std::uint8_t> record = DecodeHex(std::string_view(line).substr(0, 812));
    EXPECT_TRUE(CrcMatches(record));
    EXPECT_EQ(U32(record.data()), FixedNow());
}

TEST_F(AnalyzerRecords, oldHexadecimalLineEndsWithNegatedByteSum) {
    start("hex-analyzer");
    const std::string line = client->ask("d report \"CONC1\" records=1 hex");
    ASSERT_EQ(line[0], ':');
    const std::size_t n = line.size();
    ASSERT_EQ(n, 1u + (4 + 3 * 4) * 2 + 2 + 2);  // no CRC in this form
    const std::uint8_t check = DecodeHex(std::string_view(line).substr(n - 4, 2))[0];
    EXPECT_EQ(static_cast<std::uint8_t>(TextSum(std::string_view(line).substr(0, n - 4)) + check), 0);
    EXPECT_EQ(U32(DecodeHex(std::string_view(line).substr(1, 8)).data()), FixedNow());
}

TEST_F(AnalyzerRecords, base64IsRefusedWhereOnlyHexIsKnown) {
    start("hex-analyzer");
    EXPECT_EQ(client->ask("d report \"CONC1\" base64"), "D 060:12:00 0000 ERROR: BASE64 NOT SUPPORTED\r\n");
}

TEST_F(AnalyzerRecords, compactRecordsCarryTenValuesALineWithRisingIndex) {
    start("analyzer");
    client->command("d report \"DIAG50\" records=1 compact");
    const std::vector<std::string> lines = client->readLines(5);
    ASSERT_EQ(lines.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        const std::string head = "D 060:12:00 0000 DIAG50:" + std::to_string(i + 1) + " ";
        EXPECT_EQ(lines[static_cast<std::size_t>(i)].rfind(head, 0), 0u)
            << lines[static_cast<std::size_t>(i)];
        EXPECT_EQ(SplitBlanks(lines[static_cast<std::size_t>(i)]).size(), 4u + 10u);
    }
}

TEST_F(AnalyzerRecords, recordsOptionGivesTheMostRecentOldestFirst) {
    start("analyzer");
    client->command("d report \"CONC1\" records=3 compact");
    const std::vector<std::string> lines = client->readLines(3);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(0, 24), "D 060:11:50 0000 CONC1:1");
    EXPECT_EQ(lines[1].substr(0, 24), "D 060:11:55 0000 CONC1:1");
    EXPECT_EQ(lines[2].substr(0, 24), "D 060:12:00 0000 CONC1:1");
}

TEST_F(AnalyzerRecords, fromAndToSelectByDateInclusive) {
    start("analyzer");
    client->command("d report \"conc1\" from=03/01/2026 11:41:00 to=03/01/2026 11:50:00 compact");
    client->command("v curr_date");
    const std::vector<std::string> lines = client->readUntil("V ");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(0, 17), "D 060:11:45 0000 ");
    EXPECT_EQ(lines[1].substr(0, 17), "D 060:11:50 0000 ");
}

TEST_F(AnalyzerRecords, recordCountsAnswerPerChannel) {
    start("analyzer");
    EXPECT_EQ(client->ask("d records \"CONC1\""), "D 060:12:00 0000 CONC1 RECORDS=800\r\n");
    EXPECT_EQ(client->ask("d getnumchannels"), "NUMCHANNELS=4\r\n");
    EXPECT_EQ(client->ask("d records \"NOPE\""), "D 060:12:00 0000 ERROR: UNKNOWN CHANNEL NOPE\r\n");
}

TEST_F(AnalyzerRecords, sameSeedGivesSameRecordsAndAnotherSeedOthers) {
    start("analyzer");
    const std::string first = client->ask("d report \"CONC1\" records=1 base64");
    InstrumentOptions o = Options("analyzer");
    auto same = StartOrFail(o);
    o.seed = 2;
    auto other = StartOrFail(o);
    RawClient a = RawClient::Tcp(same->port());
    RawClient b = RawClient::Tcp(other->port());
    EXPECT_EQ(a.ask("d report \"CONC1\" records=1 base64"), first);
    EXPECT_NE(b.ask("d report \"CONC1\" records=1 base64"), first);
}

const char* const kProgramScript =
    "dasbegin\r\n"
    "  channelbegin\r\n"
    "    name \"OZONE\"\r\n"
    "    event \"ATIMER\"\r\n"
    "    startdate 3/1/2026\r\n"
    "    sampleperiod 000:00:01\r\n"
    "    reportperiod 000:00:05\r\n"
    "    records 100\r\n"
    "    report disabled\r\n"
    "    compact enabled\r\n"
    "    status enabled\r\n"
    "    holdoff disabled\r\n"
    "    paramlistbegin\r\n"
    "      parameter \"O3\" AVG 1 storesamples\r\n"
    "      parameter \"STABIL\" sdev 2\r\n"
    "    paramlistend\r\n"
    "  channelend\r\n"
    "dasend\r\n";

TEST_F(AnalyzerRecords, sentScriptIsConfirmedAndReplacesTheChannels) {
    start("analyzer");
    client->send(kProgramScript);
    EXPECT_EQ(client->readLine().value_or(""), "New DAS configuration stored.\r\n");
    EXPECT_EQ(client->ask("d getnumchannels"), "NUMCHANNELS=1\r\n");
    client->command("d print script &");
    const std::vector<std::string> lines = client->readUntil("DASEND");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "DASEND\r\n");
    std::string all;
    for (const auto& l : lines)
        all += l;
    EXPECT_NE(all.find("    NAME \"OZONE\"\r\n"), std::string::npos);
    EXPECT_NE(all.find("      PARAMETER \"O3\" AVG 1 STORESAMPLES\r\n"), std::string::npos);
    EXPECT_NE(all.find("      PARAMETER \"STABIL\" sdev 2\r\n"), std::string::npos);
}

TEST_F(AnalyzerRecords, newChannelStartsEmptyAndGainsARecordEveryReportPeriod) {
    start("analyzer");
    client->send(kProgramScript);
    ASSERT_EQ(client->readLine().value_or(""), "New DAS configuration stored.\r\n");
    EXPECT_EQ(client->ask("d records \"OZONE\""), "D 060:12:00 0000 OZONE RECORDS=0\r\n");
    sim->instrument().clock().advance(16 * 60);
    EXPECT_EQ(client->ask("d records \"OZONE\""), "D 060:12:16 0000 OZONE RECORDS=3\r\n");
}

TEST_F(AnalyzerRecords, badScriptIsRefusedAndTheOldChannelsStay) {
    start("analyzer");
    std::string script = kProgramScript;
    script.replace(script.find("\"STABIL\""), 8, "\"NOSUCH\"");
    client->send(script);
    EXPECT_EQ(client->readLine().value_or(""), "ERROR: UNKNOWN PARAMETER NOSUCH\r\n");
    EXPECT_EQ(client->ask("d getnumchannels"), "NUMCHANNELS=4\r\n");
}

TEST_F(AnalyzerRecords, commandInTheMiddleOfAScriptAbandonsIt) {
    start("analyzer");
    const std::string script = kProgramScript;
    client->send(script.substr(0, script.find("    paramlistbegin")));
    EXPECT_EQ(client->ask("d getnumchannels"), "NUMCHANNELS=4\r\n");
    client->send("dasend\r\n");
    EXPECT_EQ(client->ask("d getnumchannels"), "NUMCHANNELS=4\r\n");
}

TEST_F(AnalyzerRecords, eventAndPointListsComeFramedOrBare) {
    start("analyzer");
    client->command("d getevents");
    std::vector<std::string> lines = client->readUntil("EVENTEND");
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "EVENTBEGIN\r\n");
    EXPECT_EQ(lines[1], "TIMEREVENT LOW \"ATIMER\" 1\r\n");
    client->command("d event");
    lines = client->readUntil("EVENT HIGH \"WARNING\"");
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "TIMEREVENT LOW \"ATIMER\" 1\r\n");
    client->command("d getparameters");
    lines = client->readLines(2);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "DATAPOINT LOW \"NOX\" 1 \"PPB\"\r\n");
}

TEST_F(AnalyzerRecords, olderAnalyzerPrintsItsReportForm) {
    start("old-analyzer");
    client->ask("logon 818");
    client->command("d print");
    const std::vector<std::string> lines = client->readUntil("    PARAMETER=XIN4");
    ASSERT_EQ(lines.size(), 33u + 13u + 50u);
    EXPECT_EQ(lines[33], "SETUP PROPERTIES FOR DIAG50:\r\n");
    EXPECT_EQ(lines[46], "    PARAMETER=NOX, MODE=AVG, PRECISION=2, STORE_SAMPLES=ON\r\n");
    EXPECT_EQ(lines[0], "SETUP PROPERTIES FOR CONC:\r\n");
    EXPECT_EQ(lines[3], "  STARTING DATE:      01-JAN-2026\r\n");
    EXPECT_EQ(lines[12], "  PARAMETERS:         3\r\n");
    EXPECT_EQ(lines[13], "    PARAMETER=NOX, MODE=AVG, PRECISION=1, STORE_SAMPLES=OFF\r\n");
    EXPECT_EQ(client->ask("d print script &"), "UNKNOWN COMMAND: print script\r\n");
}

// --- the logger's pieces, without a link ---

TEST(DlogPieces, reportRequestReadsQuotedNameAndOptions) {
    ReportRequest r;
    std::string error;
    ASSERT_TRUE(
        ParseReportRequest("\"CONC 1\" records=20 from=03/01/2026 11:00:00 to=3/2/2026 base64", r, error))
        << error;
    EXPECT_EQ(r.channel, "CONC 1");
    EXPECT_EQ(r.lastN, 20);
    EXPECT_TRUE(r.hasFrom && r.hasTo);
    EXPECT_EQ(r.from, DateTime::FromElements(2026, 3, 1, 11, 0, 0).seconds());
    EXPECT_EQ(r.to, DateTime::FromElements(2026, 3, 2, 0, 0, 0).seconds());
    EXPECT_EQ(r.form, ReportForm::kBase64);
    EXPECT_FALSE(ParseReportRequest("\"X\" records=many", r, error));
    EXPECT_FALSE(ParseReportRequest("\"X\" from=13/45/2026", r, error));
    EXPECT_FALSE(ParseReportRequest("", r, error));
}

TEST(DlogPieces, scriptWrittenByTheInstrumentReadsBackUnchanged) {
    const Profile p = *MakeProfile("analyzer", FixedNow(), 1);
    std::string script = "DASBEGIN\r\n";
    for (const auto& ch : p.das.channels)
        script += ChannelScriptText(p.das, ch, true);
    script += "DASEND\r\n";
    std::vector<DasChannel> read;
    std::string error;
    ASSERT_TRUE(ParseDasScript(script, p.das, FixedNow(), read, error)) << error;
    ASSERT_EQ(read.size(), p.das.channels.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        const DasChannel& a = p.das.channels[i];
        const DasChannel& b = read[i];
        EXPECT_EQ(a.name, b.name);
        EXPECT_EQ(a.event, b.event);
        EXPECT_EQ(a.file, b.file);
        EXPECT_EQ(a.records, b.records);
        EXPECT_EQ(a.startDate, b.startDate);
        if (p.das.findEvent(a.event)->timer) {
            EXPECT_EQ(a.samplePeriod, b.samplePeriod);
            EXPECT_EQ(a.reportPeriod, b.reportPeriod);
        }
        EXPECT_EQ(a.compact, b.compact);
        ASSERT_EQ(a.params.size(), b.params.size());
        for (std::size_t k = 0; k < a.params.size(); ++k) {
            EXPECT_EQ(a.params[k].name, b.params[k].name);
            EXPECT_EQ(a.params[k].storeSamples, b.params[k].storeSamples);
            EXPECT_EQ(a.params[k].precision, b.params[k].precision);
        }
    }
}

TEST(DlogPieces, scriptLimitsAreEnforced) {
    const Profile p = *MakeProfile("analyzer", FixedNow(), 1);
    std::vector<DasChannel> read;
    std::string error;
    std::string many = "dasbegin\r\n";
    for (int i = 0; i < 21; ++i) {
        many += "channelbegin name \"C" + std::to_string(i) + "\" event \"EXITZR\" channelend\r\n";
    }
    EXPECT_FALSE(ParseDasScript(many + "dasend\r\n", p.das, FixedNow(), read, error));
    EXPECT_EQ(error, "TOO MANY CHANNELS");
    std::string wide = "dasbegin channelbegin name \"W\" event \"EXITZR\" paramlistbegin\r\n";
    for (int i = 0; i < 51; ++i)
        wide += "parameter \"NOX\" AVG 1\r\n";
    EXPECT_FALSE(ParseDasScript(wide + "paramlistend channelend dasend", p.das, FixedNow(), read, error));
    EXPECT_FALSE(
        ParseDasScript("dasbegin channelbegin name \"T\" event \"ATIMER\" sampleperiod 000:24:00 "
                       "channelend dasend",
                       p.das, FixedNow(), read, error));
    EXPECT_FALSE(ParseDasScript("dasbegin channelbegin name \"T\" event \"ATIMER\" channelend dasend extra",
                                p.das, FixedNow(), read, error));
    std::string big = "dasbegin\r\n";
    for (const char* name : {"T", "U"}) {
        big += std::string("channelbegin name \"") + name +
               "\" event \"ATIMER\" records 1000000 paramlistbegin\r\n";
        for (int i = 0; i < 10; ++i)
            big += "parameter \"NOX\" AVG 1\r\n";
        big += "paramlistend channelend\r\n";
    }
    EXPECT_FALSE(ParseDasScript(big + "dasend\r\n", p.das, FixedNow(), read, error));
    EXPECT_EQ(error, "INSUFFICIENT MEMORY FOR REQUESTED RECORDS");
    EXPECT_TRUE(read.empty());
}

TEST(DlogPieces, listingHoldsEveryStoredRecordWithTheValuesOfACompactReport) {
    const std::optional<Profile> p = MakeProfile("analyzer", FixedNow(), 5);
    const std::string listing = RecordListing(p->das, FixedNow());
    std::istringstream lines(listing);
    std::string line;
    for (const DasChannel& channel : p->das.channels) {
        const RecordRange range = StoredRecords(p->das, channel, FixedNow());
        ASSERT_TRUE(std::getline(lines, line));
        EXPECT_EQ(line, Format("CHANNEL %s period %lld records %lld", channel.name.c_str(),
                               static_cast<long long>(range.period), static_cast<long long>(range.count)));
        for (std::int64_t k = range.firstK; k < range.firstK + range.count; ++k) {
            ASSERT_TRUE(std::getline(lines, line));
            const std::uint32_t t = range.timeOf(k);
            // The compact lines carry the same values after "NAME:index".
            std::string values;
            for (const std::string& compact : CompactRecordLines(p->das, channel, t, 0)) {
                const std::size_t colon = compact.find(channel.name + ":");
                const std::size_t blank = compact.find(' ', colon);
                values += compact.substr(blank, compact.size() - 2 - blank);
            }
            ASSERT_EQ(line, std::to_string(t) + values) << channel.name << " record " << k;
        }
    }
    EXPECT_FALSE(std::getline(lines, line)) << line;
    EXPECT_NE(listing.find("XXXX"), std::string::npos) << "a missing value is listed as such";
}

TEST(DlogPieces, missingValuesAreNaNInBinaryAndXInText) {
    Profile p = *MakeProfile("analyzer", FixedNow(), 1);
    const DasChannel& ch = *p.das.findChannel("CONC1");
    // Find a record with a missing value among the stored ones; the seed fixes where it is.
    const RecordRange range = StoredRecords(p.das, ch, FixedNow());
    bool found = false;
    for (std::int64_t k = range.firstK; k < range.firstK + range.count && !found; ++k) {
        const std::uint32_t t = range.timeOf(k);
        for (std::size_t i = 0; i < ch.params.size(); ++i) {
            if (ValueAt(p.das, ch, ch.params[i], t).valid)
                continue;
            found = true;
            const std::vector<std::uint8_t> rec = EncodeRecord(p.das, ch, t, true);
            std::size_t offset = 4;
            for (std::size_t j = 0; j < i; ++j)
                offset += ch.params[j].storeSamples ? 8 : 4;
            if (ch.params[i].storeSamples) {
                EXPECT_EQ(U32(rec.data() + offset), 0u);
                offset += 4;
            }
            float f = 0;
            std::memcpy(&f, rec.data() + offset, 4);
            EXPECT_TRUE(std::isnan(f));
            const std::vector<std::string> text = CompactRecordLines(p.das, ch, t, 0);
            ASSERT_EQ(text.size(), 1u);
            EXPECT_EQ(SplitBlanks(text[0]).at(4 + i), "XXXX");
        }
    }
    EXPECT_TRUE(found);
}

}  // namespace
}  // namespace talven::sim::test
