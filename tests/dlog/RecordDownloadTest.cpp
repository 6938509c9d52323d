#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <map>

#include "../session/SessionTestSupport.h"
#include "DlogTestSupport.h"
#include "dlog/AutomaticDownload.h"
#include "dlog/RecordDecoding.h"
#include "dlog/RecordDownload.h"
#include "foundation/Notifier.h"

namespace talven {
namespace {

using test::AddChannel;
using test::AddParameter;
using test::At;
using test::MakeInstrument;

// Plays the instrument: each command queues its scripted reply lines, which the response stream
// and the raw line reads then deliver one at a time.
class ScriptedRecordLink : public DlogRecordLink {
  public:
    explicit ScriptedRecordLink(std::string caps)
        : caps_(std::move(caps)), stream_([this] { return NextLine(); }) {}

    std::map<std::string, std::vector<std::string>> replies;  // by argument
    std::vector<std::string> sent;
    std::vector<int> timeouts;  // every time-out asked for, in order
    DateTime instrumentDate = DateTime::FromElements(2024, 13, 1, 0, 0, 0);  // unreadable
    bool cancelRequested = false;
    int loseLinkAfterLines = -1;

    std::string GetCapabilities() const override { return caps_; }
    bool SendCommand(char word, const std::string& argument) override {
        sent.push_back(std::string(1, word) + " " + argument);
        if (argument == "cancel") {
            pending_.clear();  // the instrument stops sending
            return true;
        }
        auto it = replies.find(argument);
        if (it != replies.end())
            pending_.insert(pending_.end(), it->second.begin(), it->second.end());
        return true;
    }
    TokenStream& ResponseStream() override { return stream_; }
    int SetResponseTimeout(int ms) override {
        timeouts.push_back(ms);
        const int previous = responseTimeout_;
        responseTimeout_ = ms;
        return previous;
    }
    int GetReceiveTimeout() const override { return 5000; }
    std::string ReadRawLine(int timeoutMs, std::size_t maxBytes) override {
        timeouts.push_back(timeoutMs);
        std::string line = NextLine();
        return line.substr(0, maxBytes);
    }
    DateTime ReadInstrumentDate() override { return instrumentDate; }
    bool IsCancelRequested() const override { return cancelRequested; }
    bool IsLinkIntact() const override { return intact_; }
    int responseTimeout() const { return responseTimeout_; }

  private:
    std::string NextLine() {
        if (pending_.empty() || !intact_)
            return {};
        if (loseLinkAfterLines == 0) {
            intact_ = false;
            pending_.clear();
            return {};
        }
        if (loseLinkAfterLines > 0)
            --loseLinkAfterLines;
        std::string line = pending_.front();
        pending_.pop_front();
        return line;
    }

    std::string caps_;
    test::LineSourceStream stream_;
    std::deque<std::string> pending_;
    int responseTimeout_ = 5000;
    bool intact_ = true;
};

std::vector<std::uint8_t> BinaryRecord(std::uint32_t time, std::initializer_list<float> values) {
    std::vector<std::uint8_t> r;
    auto put = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            r.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    put(time);
    for (float f : values) {
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        put(bits);
    }
    AppendRecordCrc(r);
    return r;
}

class DlogRecordDownload : public ::testing::Test {
  protected:
    RecordingNotifier notes;
    ScopedNotifier scope{&notes};
    std::unique_ptr<DlogInstrumentData> inst = MakeInstrument("d");
    CDASChannel* channel = AddChannel(*inst, "OZONE");
    CDASParameter* no = AddParameter(*channel, "NO");
    CDASParameter* no2 = AddParameter(*channel, "NO2");
    const NotifyTarget window = 77;

    void SetUp() override { channel->SetSelected(true); }

    int Count(int code) const {
        int n = 0;
        for (const auto& e : notes.entries())
            n += e.code == code && e.target == window;
        return n;
    }
};

TEST_F(DlogRecordDownload, textReplyAcrossNewYearIsCountedDatedAndCompleted) {
    ScriptedRecordLink link("dr");
    link.instrumentDate = At(2025, 1, 2, 8, 0);
    link.replies["records \"OZONE\""] = {"D 002:08:00 0 OZONE RECORDS=3\r\n"};
    link.replies["report \"OZONE\" compact"] = {
        "D 366:23:00 0 OZONE: 1 1.5 2\r\n", "D 001:00:00 0 OZONE: 1 3 4\r\n", "D 002:07:00 0 OZONE: 1 5\r\n",
        "D 002:07:00 0 OZONE: 2 X\r\n"};
    ASSERT_TRUE(DownloadRecords(link, {channel}, window));
    EXPECT_EQ(link.sent, (std::vector<std::string>{"d records \"OZONE\"", "d report \"OZONE\" compact"}));
    ASSERT_EQ(no->Records().size(), 3u);
    EXPECT_EQ(no->Records()[0].time, At(2024, 12, 31, 23, 0).seconds());
    EXPECT_EQ(no->Records()[2].time, At(2025, 1, 2, 7, 0).seconds());
    EXPECT_FALSE(no2->Records()[2].valid);
    EXPECT_EQ(notes.entries()[0].code, wm::kRecordsStart);
    EXPECT_EQ(notes.entries()[0].wParam, 3u);
    EXPECT_EQ(notes.entries()[0].lParam, 0);  // the channel's place in the list
    EXPECT_EQ(Count(wm::kTransferStep), 3);
    EXPECT_EQ(Count(wm::kRecordsDone), 1);
    EXPECT_TRUE(channel->GetDownloadedBefore());
}

TEST_F(DlogRecordDownload, binaryReplyWithInstrumentDateSelectionWaitsLongerForTheFirstLine) {
    ScriptedRecordLink link("difw");
    CSelectionSet between;
    between.mode = CSelectionSet::kBetween;
    between.from = 1000;
    between.to = 3000;
    channel->SetActiveSelection(&between);
    const std::string request = "report \"OZONE\" from=01/01/1970 00:16:40 to=01/01/1970 00:50:00 base64";
    link.replies[request] = {EncodeBase64Line(BinaryRecord(999, {1, 2})),
                             EncodeBase64Line(BinaryRecord(1000, {3, 4})), "garbage\r\n",
                             EncodeBase64Line(BinaryRecord(3000, {5, 6})),
                             EncodeBase64Line(BinaryRecord(3001, {7, 8}))};
    ASSERT_TRUE(DownloadRecords(link, {channel}, window));
    EXPECT_EQ(link.sent, (std::vector<std::string>{"d " + request}));
    ASSERT_EQ(no->Records().size(), 2u);
    EXPECT_EQ(no->Records()[0].value, 3.0);
    EXPECT_EQ(no2->Records()[1].value, 6.0);
    EXPECT_EQ(link.timeouts.front(), kDateSelectionTimeoutMs);
    EXPECT_EQ(link.timeouts[1], 5000);
    EXPECT_EQ(Count(wm::kTransferStep), 4);  // the garbage line is dropped without a step
    EXPECT_EQ(notes.entries()[0].wParam, 100u);
}

TEST_F(DlogRecordDownload, textSelectionByDateRestoresTheTimeoutAtTheFirstRecord) {
    ScriptedRecordLink link("dfr");
    link.instrumentDate = At(2024, 6, 1);
    CSelectionSet since;
    since.mode = CSelectionSet::kSinceLast;
    channel->SetDownloadedBefore(true);
    channel->SetLastDownload(At(2024, 1, 10, 23, 59, 59));
    channel->SetActiveSelection(&since);
    link.replies["records \"OZONE\""] = {"D 153:00:00 0 OZONE RECORDS=9\r\n"};
    link.replies["report \"OZONE\" from=01/10/2024 23:59:59 compact"] = {"D 010:00:00 0 OZONE: 1 1 1\r\n",
                                                                         "D 011:00:00 0 OZONE: 1 2 2\r\n"};
    ASSERT_TRUE(DownloadRecords(link, {channel}, window));
    EXPECT_EQ(link.timeouts, (std::vector<int>{kDateSelectionTimeoutMs, 5000}));
    ASSERT_EQ(no->Records().size(), 1u);  // the PC filters what the instrument sent too early
    EXPECT_EQ(no->Records()[0].value, 2.0);
}

TEST_F(DlogRecordDownload, emptyChannelIsSkippedWithoutTouchingTheLastDownload) {
    ScriptedRecordLink link("drh");
    link.replies["records \"OZONE\""] = {"D 001:00:00 0 ozone RECORDS=0\r\n"};
    ASSERT_TRUE(DownloadRecords(link, {channel}, window));
    EXPECT_EQ(link.sent.size(), 1u);
    EXPECT_FALSE(channel->GetDownloadedBefore());
    EXPECT_EQ(Count(wm::kRecordsStart), 0);
    EXPECT_EQ(Count(wm::kRecordsDone), 1);
}

TEST_F(DlogRecordDownload, cancelIsSentOnceAndStopsTheList) {
    CDASChannel* second = AddChannel(*inst, "SECOND");
    AddParameter(*second, "NO");
    second->SetSelected(true);
    ScriptedRecordLink link("dhwn");
    link.cancelRequested = true;
    link.replies["report \"OZONE\" hex"] = {EncodeHexLine(BinaryRecord(1, {1, 2})),
                                            EncodeHexLine(BinaryRecord(2, {3, 4}))};
    ASSERT_TRUE(DownloadRecords(link, {channel, second}, window));
    EXPECT_EQ(link.sent, (std::vector<std::string>{"d report \"OZONE\" hex", "d cancel"}));
    EXPECT_TRUE(no->Records().empty());
    EXPECT_FALSE(second->GetDownloadedBefore());
    EXPECT_EQ(Count(wm::kRecordsDone), 1);
}

TEST_F(DlogRecordDownload, linkLostInTheMiddleFailsAndKeepsWhatArrived) {
    ScriptedRecordLink link("dih");
    link.loseLinkAfterLines = 1;
    link.replies["report \"OZONE\" base64"] = {EncodeBase64Line(BinaryRecord(1, {1, 2})),
                                               EncodeBase64Line(BinaryRecord(2, {3, 4}))};
    EXPECT_FALSE(DownloadRecords(link, {channel}, window));
    EXPECT_EQ(no->Records().size(), 1u);
    EXPECT_EQ(Count(wm::kRecordsFailed), 1);
    EXPECT_EQ(Count(wm::kRecordsDone), 0);
}

TEST_F(DlogRecordDownload, malformedTextLineFailsAndStopsTheList) {
    CDASChannel* second = AddChannel(*inst, "SECOND");
    AddParameter(*second, "NO");
    second->SetSelected(true);
    ScriptedRecordLink link("d");
    link.instrumentDate = At(2024, 6, 1);
    link.replies["report \"OZONE\" compact"] = {"D 001:00:00 0 OZONE: 1 1 1\r\n",
                                                "D 001:00:00 0 WRONG: 1 1 1\r\n"};
    EXPECT_FALSE(DownloadRecords(link, {channel, second}, window));
    EXPECT_EQ(no->Records().size(), 1u);
    EXPECT_FALSE(second->GetDownloadedBefore());
    EXPECT_EQ(Count(wm::kRecordsFailed), 1);
}

TEST_F(DlogRecordDownload, downloadListsFollowSelectionAndDueTimes) {
    CDASChannel* idle = AddChannel(*inst, "IDLE");
    CDASChannel* partly = AddChannel(*inst, "PARTLY");
    AddParameter(*idle, "NO");
    AddParameter(*partly, "NO")->SetSelected(true);
    CSelectionSet windowSelection;
    windowSelection.mode = CSelectionSet::kRecentRecords;
    EXPECT_EQ(ManualDownloadList(*inst, &windowSelection), (std::vector<CDASChannel*>{channel, partly}));
    EXPECT_EQ(partly->GetActiveSelection().mode, CSelectionSet::kRecentRecords);

    const DateTime now = At(2024, 6, 1, 12);
    channel->SetDownloadedBefore(true);
    channel->SetLastDownload(now - TimeSpan::FromSeconds(100));
    EXPECT_TRUE(AutomaticDownloadList(*inst, now).empty());
    channel->SetLastDownload(now - TimeSpan::FromSeconds(86400));
    EXPECT_EQ(AutomaticDownloadList(*inst, now), (std::vector<CDASChannel*>{channel}));
    EXPECT_EQ(channel->GetActiveSelection(), channel->GetDownloadSelection());
}

TEST_F(DlogRecordDownload, aCountOfAnotherChannelIsPassedOverAndNoCountFailsTheChannel) {
    ScriptedRecordLink link("dir");
    // A reply to an earlier request, late, comes before the answer to this one.
    link.replies["records \"OZONE\""] = {"D 001:00:00 0 PNUMTC RECORDS=360\r\n",
                                         "D 001:00:00 0 OZONE RECORDS=1\r\n"};
    link.replies["report \"OZONE\" base64"] = {EncodeBase64Line(BinaryRecord(60, {1, 2}))};
    ASSERT_TRUE(DownloadRecords(link, {channel}, window));
    EXPECT_EQ(notes.entries()[0].wParam, 1u);
    EXPECT_EQ(channel->GetLastDownload().seconds(), 60u);

    link.replies["records \"OZONE\""] = {"D 001:00:00 0 PNUMTC RECORDS=360\r\n"};
    EXPECT_FALSE(DownloadRecords(link, {channel}, window));
    EXPECT_EQ(link.sent.back(), "d records \"OZONE\"");
    EXPECT_NE(channel->GetDownloadOutcome().failure.find("did not say how many records channel OZONE holds"),
              std::string::npos);
    EXPECT_EQ(channel->GetLastDownload().seconds(), 60u);
}

TEST_F(DlogRecordDownload, aReplyThatCannotHoldTheRecordsDueFailsAndKeepsTheMark) {
    ScriptedRecordLink link("dirf");
    channel->SetDownloadedBefore(true);
    channel->SetLastDownload(DateTime::FromSeconds(50));
    CSelectionSet selection;
    selection.useInstrumentSelection = false;
    channel->SetActiveSelection(&selection);
    link.replies["records \"OZONE\""] = {"D 001:00:00 0 OZONE RECORDS=3\r\n"};
    link.replies["report \"OZONE\" base64"] = {EncodeBase64Line(BinaryRecord(60, {1, 2})),
                                               EncodeBase64Line(BinaryRecord(120, {3, 4}))};
    EXPECT_FALSE(DownloadRecords(link, {channel}, window));  // all: 2 of 3
    EXPECT_EQ(channel->GetDownloadOutcome().failure,
              "Only 2 of the 3 records requested of channel OZONE arrived.");
    EXPECT_EQ(channel->GetLastDownload().seconds(), 50u);

    selection.mode = CSelectionSet::kSinceLast;
    EXPECT_TRUE(DownloadRecords(link, {channel}, window));  // nothing is known of the newest
    EXPECT_EQ(channel->GetLastDownload().seconds(), 120u);
    link.replies["report \"OZONE\" base64"] = {};
    EXPECT_FALSE(DownloadRecords(link, {channel}, window));  // the whole ring was due, nothing came
    EXPECT_EQ(channel->GetLastDownload().seconds(), 120u);

    // Asked from the newest record downloaded, the instrument has that one at least to send.
    selection.useInstrumentSelection = true;
    const std::string since = "report \"OZONE\" from=01/01/1970 00:02:00 base64";
    EXPECT_FALSE(DownloadRecords(link, {channel}, window));
    EXPECT_EQ(link.sent.back(), "d " + since);
    link.replies[since] = {EncodeBase64Line(BinaryRecord(120, {3, 4}))};
    EXPECT_TRUE(DownloadRecords(link, {channel}, window));
    EXPECT_TRUE(no->Records().empty());
    EXPECT_EQ(channel->GetLastDownload().seconds(), 120u);
    // A period of days may hold no record at all.
    selection.mode = CSelectionSet::kRecentDays;
    EXPECT_TRUE(DownloadRecords(link, {channel}, window));
}

TEST_F(DlogRecordDownload, droppedLinesAreLoggedAndCountedAndTheMarkStopsBeforeTheFirst) {
    test::RecordingLog log;
    ScriptedRecordLink link("dir");
    link.replies["records \"OZONE\""] = {"D 001:00:00 0 OZONE RECORDS=4\r\n"};
    std::string spoiled = EncodeBase64Line(BinaryRecord(120, {3, 4}));
    spoiled[2] = spoiled[2] == 'A' ? 'B' : 'A';
    link.replies["report \"OZONE\" base64"] = {EncodeBase64Line(BinaryRecord(60, {1, 2})), spoiled,
                                               EncodeBase64Line(BinaryRecord(180, {5, 6})), "\x01\x02\r\n"};
    ASSERT_TRUE(DownloadRecords(link, {channel}, window));
    const RecordDownloadOutcome outcome = channel->GetDownloadOutcome();
    EXPECT_EQ(outcome.recordLines, 4);
    EXPECT_EQ(outcome.droppedLines, 2);
    EXPECT_EQ(outcome.recordsBeforeDrop, 1u);
    EXPECT_EQ(no->Records().size(), 2u);  // a manual download keeps every good record
    EXPECT_EQ(channel->GetLastDownload().seconds(), 60u);
    EXPECT_TRUE(log.Contains(kLogError,
                             "A record line of channel OZONE was dropped (bad check sum, CRC or "
                             "length): " +
                                 spoiled.substr(0, spoiled.size() - 2)));
    EXPECT_TRUE(log.Contains(kLogError, "2 record line(s) of channel OZONE were dropped"));
    EXPECT_EQ(KeepRecordsBeforeFirstDrop(*channel), 1u);
    EXPECT_EQ(no->Records().size(), 1u);
    EXPECT_EQ(no2->Records().size(), 1u);
}

// A channel downloaded since its last download, from a reply holding the instrument's whole ring:
// a bad line among the records already written hides none of the new ones, and must not hold
// them back, or a line that is often noisy would keep the channel from ever moving on.
TEST_F(DlogRecordDownload, aLineDroppedAmongOlderRecordsHoldsNoNewRecordBack) {
    CSelectionSet since;
    since.mode = CSelectionSet::kSinceLast;
    since.useInstrumentSelection = false;
    channel->SetDownloadSelection(since);
    const auto spoil = [](std::string line) {
        line[2] = line[2] == 'A' ? 'B' : 'A';
        return line;
    };
    const auto line = [](std::uint32_t t) { return EncodeBase64Line(BinaryRecord(t, {1, 2})); };
    const auto download = [&](std::vector<std::string> reply) {
        channel->SetLastDownload(DateTime::FromSeconds(120));
        channel->SetDownloadedBefore(true);
        ScriptedRecordLink link("dir");
        link.replies["records \"OZONE\""] = {"D 001:00:00 0 OZONE RECORDS=" + std::to_string(reply.size()) +
                                             "\r\n"};
        link.replies["report \"OZONE\" base64"] = std::move(reply);
        const DownloadMark before = MarkOf(*channel);
        EXPECT_TRUE(DownloadRecords(link, {channel}, window));
        std::vector<std::uint32_t> written;
        const AutomaticWrite result = WriteAutomaticDownload(*channel, before, [&](const CDataRecordSet&) {
            for (const CDataRecord& r : no->Records())
                written.push_back(r.time);
            return true;
        });
        EXPECT_EQ(result.droppedLines, 1);
        return std::make_pair(written, channel->GetLastDownload().seconds());
    };

    // Dropped between two records already written: the new ones are whole.
    auto [written, mark] = download({line(60), spoil(line(90)), line(120), line(180), line(240)});
    EXPECT_FALSE(channel->GetDownloadOutcome().recordsMissing);
    EXPECT_EQ(written, (std::vector<std::uint32_t>{180, 240}));
    EXPECT_EQ(mark, 240u);
    // Dropped before the first record: as old as the one after it, or older.
    std::tie(written, mark) = download({spoil(line(60)), line(120), line(180)});
    EXPECT_EQ(written, (std::vector<std::uint32_t>{180}));
    EXPECT_EQ(mark, 180u);

    // Dropped between the last written record and the first new one: it may have been new.
    std::tie(written, mark) = download({line(60), line(120), spoil(line(180)), line(240)});
    EXPECT_TRUE(channel->GetDownloadOutcome().recordsMissing);
    EXPECT_TRUE(written.empty());
    EXPECT_EQ(mark, 120u);
    // Dropped among the new ones: those before it are written, the rest fetched again.
    std::tie(written, mark) = download({line(60), line(120), line(180), spoil(line(240)), line(300)});
    EXPECT_EQ(written, (std::vector<std::uint32_t>{180}));
    EXPECT_EQ(mark, 180u);
    // Dropped last: the newest may be missing.
    std::tie(written, mark) = download({line(120), line(180), spoil(line(240))});
    EXPECT_EQ(written, (std::vector<std::uint32_t>{180}));
    EXPECT_EQ(mark, 180u);
}

TEST_F(DlogRecordDownload, onceTheAnnouncedRecordsCameTheReplyEndsAfterAShortSilence) {
    ScriptedRecordLink link("dir");
    link.replies["records \"OZONE\""] = {"D 001:00:00 0 OZONE RECORDS=2\r\n"};
    link.replies["report \"OZONE\" base64"] = {EncodeBase64Line(BinaryRecord(60, {1, 2})),
                                               EncodeBase64Line(BinaryRecord(120, {3, 4}))};
    ASSERT_TRUE(DownloadRecords(link, {channel}, window));
    EXPECT_EQ(link.timeouts, (std::vector<int>{5000, 5000, kQuietGapMs}));

    // The most recent record: one line due.
    CSelectionSet recent;
    recent.mode = CSelectionSet::kRecentRecords;
    channel->SetActiveSelection(&recent);
    link.timeouts.clear();
    link.replies["report \"OZONE\" records=1 base64"] = {EncodeBase64Line(BinaryRecord(120, {3, 4}))};
    ASSERT_TRUE(DownloadRecords(link, {channel}, window));
    EXPECT_EQ(link.timeouts, (std::vector<int>{5000, kQuietGapMs}));

    // Without a count the reply ends only with the time-out.
    ScriptedRecordLink uncounted("di");
    uncounted.replies["report \"OZONE\" base64"] = link.replies["report \"OZONE\" base64"];
    channel->SetActiveSelection(nullptr);
    ASSERT_TRUE(DownloadRecords(uncounted, {channel}, window));
    EXPECT_EQ(uncounted.timeouts, (std::vector<int>{5000, 5000, 5000}));
}

TEST_F(DlogRecordDownload, anAutomaticDownloadWritesWhatItCanTrustAndGivesTheMarkBackWhenTheFileFails) {
    CSelectionSet since;
    since.mode = CSelectionSet::kSinceLast;
    since.useInstrumentSelection = false;
    channel->SetDownloadSelection(since);
    ScriptedRecordLink link("dir");
    link.replies["records \"OZONE\""] = {"D 001:00:00 0 OZONE RECORDS=3\r\n"};
    link.replies["report \"OZONE\" base64"] = {EncodeBase64Line(BinaryRecord(60, {1, 2})), "junk\r\n",
                                               EncodeBase64Line(BinaryRecord(180, {5, 6}))};
    const DownloadMark before = MarkOf(*channel);
    ASSERT_TRUE(DownloadRecords(link, {channel}, window));
    std::size_t rowsWritten = 0;
    AutomaticWrite written = WriteAutomaticDownload(*channel, before, [&](const CDataRecordSet& set) {
        rowsWritten = set.GetRowCount();
        return true;
    });
    EXPECT_EQ(written.result, AutomaticWrite::kWritten);
    EXPECT_EQ(rowsWritten, 1u);  // the record after the bad line comes again next time
    EXPECT_EQ(written.refetched, 1u);
    EXPECT_EQ(written.droppedLines, 1);
    EXPECT_EQ(channel->GetLastDownload().seconds(), 60u);

    const DownloadMark kept = MarkOf(*channel);
    link.replies["report \"OZONE\" base64"] = {EncodeBase64Line(BinaryRecord(180, {5, 6}))};
    ASSERT_TRUE(DownloadRecords(link, {channel}, window));
    written = WriteAutomaticDownload(*channel, kept, [](const CDataRecordSet&) { return false; });
    EXPECT_EQ(written.result, AutomaticWrite::kWriteFailed);
    EXPECT_EQ(channel->GetLastDownload().seconds(), 60u);  // fetched again by the next download

    link.replies["report \"OZONE\" base64"] = {EncodeBase64Line(BinaryRecord(60, {1, 2}))};
    ASSERT_TRUE(DownloadRecords(link, {channel}, window));
    bool called = false;
    written = WriteAutomaticDownload(*channel, kept, [&](const CDataRecordSet&) { return called = true; });
    EXPECT_EQ(written.result, AutomaticWrite::kNothingNew);
    EXPECT_FALSE(called);
}

}  // namespace
}  // namespace talven
