#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <limits>

#include "DlogTestSupport.h"
#include "dlog/CsvExport.h"
#include "dlog/DataRecordSet.h"
#include "dlog/DlogFiles.h"
#include "foundation/UserPrompt.h"

namespace talven {
namespace {

using test::AddChannel;
using test::AddParameter;
using test::At;
using test::MakeInstrument;

class RecordingProgress : public TransferProgress {
  public:
    void Begin(const std::string& status, std::size_t count) override {
        statusText = status;
        range = count;
    }
    void Step() override { ++steps; }
    void End() override { ended = true; }
    std::string statusText;
    std::size_t range = 0;
    std::size_t steps = 0;
    bool ended = false;
};

TEST(DlogRecordText, fieldsFollowTheFlagsWithSeparatorsBetweenThem) {
    const DateFormatSlots formats;
    const CDataRecord r{3.14159, 12, At(2024, 2, 29, 13, 5, 9).seconds(), true};
    EXPECT_EQ(r.GetText(recordtext::kValue, 2, formats), "      3.14");
    EXPECT_EQ(r.GetText(recordtext::kTimeTable | recordtext::kValue, 0, formats),
              "02/29/2024 13:05:09,          3");
    EXPECT_EQ(r.GetText(recordtext::kTimeGraph, 0, formats), "060:13:05");
    EXPECT_EQ(r.GetText(recordtext::kSamples, 0, formats), "        12");
    EXPECT_EQ(r.GetText(recordtext::kValue | recordtext::kSamples, 1, formats), "       3.1,         12");
    const CDataRecord invalid{0.0, 0, 0, false};
    EXPECT_EQ(invalid.GetText(recordtext::kValue, 3, formats), "     0.000");
    const CDataRecord one{1.0, 1, 0, true};
    EXPECT_EQ(one.GetText(recordtext::kValue, 1000000, formats).size(), 32u);
}

class DlogCsv : public ::testing::Test {
  protected:
    test::TempDir dir;
    std::unique_ptr<DlogInstrumentData> inst = MakeInstrument();
    CDASChannel* channel = AddChannel(*inst, "OZONE");
    CDASParameter* no = AddParameter(*channel, "NO", "AVG", 2, true);
    CDASParameter* flow = AddParameter(*channel, "FLOW", "INST", 0, false);
    DateFormatSlots formats;
    CDataRecordSet set;

    void SetUp() override {
        channel->SetSelected(true);
        no->SetUnits("ppb");
        const std::uint32_t t0 = At(2024, 5, 1, 10, 0, 0).seconds();
        for (int i = 0; i < 5; ++i)
            no->Records().push_back({3.14159 * i, 10 + i, t0 + 60u * i, true});
        flow->Records().push_back({1.5, 1, t0, true});
        flow->Records().push_back({0.0, 0, t0 + 60, false});
        flow->Records().push_back({-2.25, 1, t0 + 120, true});
        GatherChannel(*channel, set);
    }
};

TEST_F(DlogCsv, fileHasHeadingAndOneRowPerIndexOfTheShortestColumn) {
    const std::string path = dir.File("out.csv");
    RecordingProgress progress;
    ASSERT_TRUE(WriteRecordSetCsv(set, path, {}, formats, &progress));
    EXPECT_EQ(test::ReadFile(path),
              "Time Stamp, NO-AVG (ppb), FLOW-INST\r\n"
              "05/01/2024 10:00:00,       0.00,          2\r\n"
              "05/01/2024 10:01:00,       3.14,          0\r\n"
              "05/01/2024 10:02:00,       6.28,         -2\r\n");
    EXPECT_EQ(progress.statusText, "Saving data to " + path + "...");
    EXPECT_EQ(progress.range, 3u);
    EXPECT_EQ(progress.steps, 3u);
    EXPECT_TRUE(progress.ended);
}

TEST_F(DlogCsv, samplesColumnsFollowTheBoxAndTheConfiguredFlag) {
    const std::string path = dir.File("samples.csv");
    CsvOptions options;
    options.samplesBox = true;
    ASSERT_TRUE(WriteRecordSetCsv(set, path, options, formats));
    EXPECT_EQ(test::ReadFile(path),
              "Time Stamp, NO-AVG (ppb), Samples, FLOW-INST\r\n"
              "05/01/2024 10:00:00,       0.00,         10,          2\r\n"
              "05/01/2024 10:01:00,       3.14,         11,          0\r\n"
              "05/01/2024 10:02:00,       6.28,         12,         -2\r\n");
}

TEST_F(DlogCsv, appendAddsRowsWithoutHeadingAndCreatesAMissingFileWithOne) {
    const std::string path = dir.File("append.csv");
    CsvOptions append;
    append.append = true;
    ASSERT_TRUE(WriteRecordSetCsv(set, path, append, formats));
    const std::string first = test::ReadFile(path);
    EXPECT_EQ(first.rfind("Time Stamp, ", 0), 0u);
    ASSERT_TRUE(WriteRecordSetCsv(set, path, append, formats));
    const std::string both = test::ReadFile(path);
    EXPECT_EQ(both, first + first.substr(first.find("\r\n") + 2));

    ASSERT_TRUE(WriteRecordSetCsv(set, path, {}, formats));  // replace
    EXPECT_EQ(test::ReadFile(path), first);
}

TEST_F(DlogCsv, replacingKeepsTheFilePermissions) {
    const std::string path = dir.File("perm.csv");
    test::WriteFile(path, "old");
    std::filesystem::permissions(path,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    ASSERT_TRUE(WriteRecordSetCsv(set, path, {}, formats));
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(DlogCsv, nothingIsWrittenForAnEmptySetOrPath) {
    CDataRecordSet empty;
    EXPECT_FALSE(WriteRecordSetCsv(empty, dir.File("x.csv"), {}, formats));
    EXPECT_FALSE(WriteRecordSetCsv(set, "", {}, formats));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(DlogCsv, writeErrorIsReportedAndLeavesNoTemporary) {
    ScriptedPrompt prompt;
    ScopedUserPrompt scope(&prompt);
    const std::string path = dir.File("missing/dir/out.csv");
    CsvOptions options;
    EXPECT_FALSE(WriteRecordSetCsv(set, path, options, formats));
    EXPECT_TRUE(prompt.asked().empty());
    options.showErrors = true;
    EXPECT_FALSE(WriteRecordSetCsv(set, path, options, formats));
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked()[0].text, "Error writing file " + path + ": No such file or directory.");
    EXPECT_EQ(prompt.asked()[0].caption, "Error");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(DlogCsv, failedAppendIsCutBackToTheFormerContent) {
    const std::string path = dir.File("full.csv");
    test::WriteFile(path, "existing line\r\n");
    for (int i = 0; i < 20000; ++i)
        no->Records().push_back({1.0, 1, 0, true});
    for (int i = 0; i < 20000; ++i)
        flow->Records().push_back({1.0, 1, 0, true});
    CDataRecordSet big;
    GatherChannel(*channel, big);
    // A file size limit makes the write fail part-way (EFBIG instead of the signal).
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limited = old;
    limited.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &limited);
    CsvOptions append;
    append.append = true;
    const bool written = WriteRecordSetCsv(big, path, append, formats);
    setrlimit(RLIMIT_FSIZE, &old);
    sigaction(SIGXFSZ, &previous, nullptr);
    EXPECT_FALSE(written);
    EXPECT_EQ(test::ReadFile(path), "existing line\r\n");
}

TEST(DlogFileNames, proposalsAreFilledAndCleaned) {
    auto inst = MakeInstrument();
    inst->SetInstrumentName("Roof <North>");
    EXPECT_EQ(ProposeAutoDownloadFileName(*inst, "OZONE"), "Roof North-SN123-OZONE-Auto.csv");
    EXPECT_EQ(ProposeManualDataFileName(*inst, "OZONE", "NO", "2024:05|01", 7),
              "Roof North-SN123-OZONE-NO-2024:0501-7.csv");
    const std::string dirty = CleanFileName(std::string("a\x01\x80/b?*c"));
    EXPECT_EQ(dirty, "abc");
}

}  // namespace
}  // namespace talven

namespace talven {
namespace {

TEST(DlogAutomaticFiles, downloadFileGetsTheChannelsDataWithItsAppendFlag) {
    test::TempDir dir;
    auto inst = test::MakeInstrument();
    CDASChannel* channel = test::AddChannel(*inst, "OZONE");
    CDASParameter* p = test::AddParameter(*channel, "NO", "AVG", 1);
    channel->SetSelected(true);
    p->Records().push_back({2.5, 1, 0, true});
    const DateFormatSlots formats;
    EXPECT_FALSE(WriteChannelDownloadFile(*channel, false, formats));  // no file chosen
    channel->SetDownloadFile(dir.File("auto.csv"));
    ASSERT_TRUE(WriteChannelDownloadFile(*channel, false, formats));
    ASSERT_TRUE(WriteChannelDownloadFile(*channel, false, formats));
    EXPECT_EQ(test::ReadFile(dir.File("auto.csv")),
              "Time Stamp, NO-AVG\r\n01/01/1970 00:00:00,        2.5\r\n01/01/1970 00:00:00,        2.5\r\n");
    channel->SetAppend(false);
    ASSERT_TRUE(WriteChannelDownloadFile(*channel, false, formats));
    EXPECT_EQ(test::ReadFile(dir.File("auto.csv")),
              "Time Stamp, NO-AVG\r\n01/01/1970 00:00:00,        2.5\r\n");

    p->SetSetNumber(12);
    CDataRecordSet set;
    GatherChannel(*channel, set);
    EXPECT_EQ(ProposeDataFileName(*inst, "OZONE", set, formats, DateTime::FromElements(2024, 5, 6, 7, 8, 9)),
              "Roof Analyzer-SN123-OZONE-NO-20240506-12.csv");
    EXPECT_EQ(ProposeDataFileName(*inst, "OZONE", CDataRecordSet(), formats, DateTime()), "");
}

}  // namespace
}  // namespace talven

namespace talven {
namespace {

TEST(DlogRecordText, valueAndSampleFieldsPrintAsPrintfWould) {
    const DateFormatSlots formats;
    std::vector<double> values = {0.0,
                                  -0.0,
                                  0.125,
                                  0.375,
                                  2.5,
                                  -2.5,
                                  1e9,
                                  -123456.789,
                                  1e15,
                                  3.14159,
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(),
                                  1e300};
    std::uint64_t state = 88172645463325252ull;
    for (int i = 0; i < 2000; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        values.push_back(static_cast<double>(static_cast<std::int64_t>(state % 2000000001) - 1000000000) /
                         997.0);
    }
    char expected[512];
    for (double v : values) {
        for (int precision : {0, 1, 2, 3, 6}) {
            std::snprintf(expected, sizeof expected, "%10.*f", precision, v);
            ASSERT_EQ(CDataRecord({v, 1, 0, true}).GetText(recordtext::kValue, precision, formats), expected)
                << v << " precision " << precision;
        }
    }
    for (std::int32_t samples : {0, 1, -5, 2147483647, -2147483647 - 1}) {
        std::snprintf(expected, sizeof expected, "%10ld", static_cast<long>(samples));
        EXPECT_EQ(CDataRecord({0, samples, 0, true}).GetText(recordtext::kSamples, 0, formats), expected);
    }
}

}  // namespace
}  // namespace talven
