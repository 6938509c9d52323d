// Downloads from the simulated instruments, driven through the simulator's own link machine (no
// sockets): the configuration in its script or printed form, then the records of every channel,
// compared with what the simulator generated.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>

#include "DlogTestSupport.h"
#include "dlog/DlogScript.h"
#include "dlog/InstrumentNodeDlog.h"
#include "dlog/RecordDecoding.h"
#include "dlog/RecordDownload.h"
#include "foundation/Notifier.h"
#include "sim/Instrument.h"
#include "sim/LinkSession.h"
#include "sim/Profiles.h"
#include "sim/SimClock.h"

namespace talven {
namespace {

// The instrument side of a session: command lines go into the simulator's link machine, reply lines
// come out of it. Simulated time moves on whenever the machine waits (pacing, delays); a reply has
// ended when it has nothing left to send.
class SimRecordLink : public DlogRecordLink {
  public:
    SimRecordLink(sim::Instrument& instrument, std::string features, sim::LinkOptions options)
        : features_(std::move(features)),
          session_(instrument, std::move(options)),
          stream_([this] { return NextLine(); }) {}

    std::string GetCapabilities() const override { return features_; }
    bool SendCommand(char word, const std::string& argument) override {
        sent.push_back(std::string(1, word) + " " + argument);
        if (lost_)
            return false;
        session_.received("\x03" + std::string(1, word) + " " + argument + "\r\n", now_);
        return true;
    }
    TokenStream& ResponseStream() override { return stream_; }
    int SetResponseTimeout(int ms) override { return std::exchange(timeout_, ms); }
    int GetReceiveTimeout() const override { return 5000; }
    std::string ReadRawLine(int, std::size_t maxBytes) override { return NextLine().substr(0, maxBytes); }
    DateTime ReadInstrumentDate() override {
        SendCommand('v', "curr_date");
        for (std::string line = NextLine(); !line.empty(); line = NextLine()) {
            int day = 0, hour = 0, minute = 0, id = 0, month = 0, mday = 0, year = 0;
            if (std::sscanf(line.c_str(), "V %d:%d:%d %d CURR_DATE=%d/%d/%d", &day, &hour, &minute, &id,
                            &month, &mday, &year) == 7) {
                while (!NextLine().empty()) {
                }
                return DateTime::FromElements(year, 1, 1, 0, 0, 0) +
                       TimeSpan::FromElements(static_cast<std::uint32_t>(day - 1),
                                              static_cast<std::uint32_t>(hour),
                                              static_cast<std::uint32_t>(minute), 0);
            }
        }
        return DateTime::FromElements(0, 13, 1, 0, 0, 0);
    }
    bool IsCancelRequested() const override { return cancelRequested; }
    bool IsLinkIntact() const override { return !lost_; }

    std::vector<std::string> sent;
    bool cancelRequested = false;

  private:
    std::string NextLine() {
        for (;;) {
            const std::size_t end = pending_.find('\n');
            if (end != std::string::npos) {
                std::string line = pending_.substr(0, end + 1);
                pending_.erase(0, end + 1);
                return line;
            }
            if (lost_)
                return {};
            const std::string_view bytes = session_.writable(now_);
            if (!bytes.empty()) {
                pending_.append(bytes);
                session_.wrote(bytes.size(), now_);
                continue;
            }
            if (session_.closeRequested()) {
                lost_ = true;
                pending_.clear();  // a line cut in half never arrives
                return {};
            }
            const auto deadline = session_.nextDeadline();
            if (deadline == sim::LinkSession::Clock::time_point::max())
                return {};
            now_ = std::max(now_, deadline);
            session_.tick(now_);
        }
    }

    std::string features_;
    sim::LinkSession session_;
    test::LineSourceStream stream_;
    std::string pending_;
    sim::LinkSession::Clock::time_point now_{};
    int timeout_ = 5000;
    bool lost_ = false;
};

struct SimInstrumentUnderTest {
    std::shared_ptr<sim::SimClock> clock;
    std::unique_ptr<sim::Instrument> instrument;
    std::string features;

    SimInstrumentUnderTest(const std::string& profileName, DateTime now) {
        clock = std::make_shared<sim::SimClock>(now.seconds(), true);
        std::optional<sim::Profile> profile = sim::MakeProfile(profileName, now.seconds(), 7);
        EXPECT_TRUE(profile.has_value());
        profile->password = 0;
        features = profile->features;
        instrument = std::make_unique<sim::Instrument>(*profile, 0, clock);
    }
};

// The instrument's events, points and configuration, read as the configuration download does.
bool DownloadConfiguration(SimRecordLink& link, IDlogInstrument& inst) {
    const std::string caps = link.GetCapabilities();
    const bool framed = caps.find('o') != std::string::npos;
    if (caps.find('e') != std::string::npos) {
        link.SendCommand('d', framed ? "getevents" : "event");
        if (!ApplyEventsReply(link.ResponseStream(), inst))
            return false;
        link.SendCommand('d', framed ? "getparameters" : "parameter");
        if (!ApplyPointsReply(link.ResponseStream(), inst))
            return false;
    }
    const bool script = caps.find('t') != std::string::npos;
    link.SendCommand('d', script ? "print script &" : "print");
    CNamedObjectList channels;
    if (!ReadConfigurationReply(link.ResponseStream(), inst, script, false, channels))
        return false;
    ApplyTransferredConfiguration(inst, &channels);
    return true;
}

// Every channel's records equal the simulator's: times, values (to the printed precision for
// text records), samples and validity.
void ExpectRecordsAsGenerated(IDlogInstrument& inst, const sim::DasData& data, std::uint32_t now, bool text) {
    for (const auto& item : inst.DlogChannels()) {
        auto* channel = static_cast<CDASChannel*>(item.get());
        const sim::DasChannel* simChannel = data.findChannel(channel->GetName());
        ASSERT_NE(simChannel, nullptr) << channel->GetName();
        const sim::RecordRange range = sim::StoredRecords(data, *simChannel, now);
        ASSERT_GT(range.count, 0) << channel->GetName();
        ASSERT_EQ(channel->Parameters().size(), simChannel->params.size());
        for (std::size_t c = 0; c < simChannel->params.size(); ++c) {
            const auto& records = test::ParameterAt(*channel, c)->Records();
            ASSERT_EQ(records.size(), static_cast<std::size_t>(range.count)) << channel->GetName();
            const sim::DasParam& param = simChannel->params[c];
            for (std::int64_t k = 0; k < range.count; ++k) {
                const std::uint32_t t = range.timeOf(range.firstK + k);
                const sim::SampleValue v = sim::ValueAt(data, *simChannel, param, t);
                const CDataRecord& r = records[static_cast<std::size_t>(k)];
                SCOPED_TRACE(channel->GetName() + "/" + param.name + " record " + std::to_string(k));
                EXPECT_EQ(r.time, text ? t - t % 60 : t);
                EXPECT_EQ(r.valid, v.valid);
                if (!v.valid) {
                    EXPECT_EQ(r.samples, 0);
                    continue;
                }
                if (text) {
                    EXPECT_NEAR(r.value, v.value, 0.5 * std::pow(10.0, -param.precision) + 1e-6);
                    EXPECT_EQ(r.samples, 1);
                } else {
                    EXPECT_EQ(r.value, static_cast<double>(v.value));
                    EXPECT_EQ(r.samples, param.storeSamples ? v.samples : 1);
                }
            }
        }
    }
}

class DlogSimDownload : public ::testing::TestWithParam<const char*> {
  protected:
    RecordingNotifier notes;
    ScopedNotifier scope{&notes};
};

TEST_P(DlogSimDownload, recordsOfEveryChannelEqualWhatTheSimulatorGenerated) {
    const bool textProfile = std::string(GetParam()) == "old-analyzer";
    // Early January after a leap year: event channels reach back into December 2024.
    for (const DateTime now :
         {DateTime::FromElements(2025, 1, 2, 8, 0, 0), DateTime::FromElements(2026, 3, 1, 12, 0, 0)}) {
        SCOPED_TRACE(now.Format("%m/%d/%Y %H:%M:%S"));
        SimInstrumentUnderTest sim(GetParam(), now);
        SimRecordLink link(*sim.instrument, sim.features, {});
        DlogInstrumentData inst;
        inst.SetCapabilities(link.GetCapabilities());
        ASSERT_TRUE(DownloadConfiguration(link, inst));
        ASSERT_FALSE(inst.DlogChannels().empty());
        SetAllChannelsSelected(inst, true);
        std::vector<CDASChannel*> channels;
        for (const auto& item : inst.DlogChannels())
            channels.push_back(static_cast<CDASChannel*>(item.get()));
        ASSERT_TRUE(DownloadRecords(link, channels, 1));
        ExpectRecordsAsGenerated(inst, sim.instrument->dasData(), now.seconds(), textProfile);
        // In January the event channels of these profiles reach back across New Year (which the
        // text form must correct); the hexadecimal profiles log on timers started on 1 January.
        std::size_t lastYear = 0;
        const std::uint32_t newYear = DateTime::FromElements(now.year(), 1, 1, 0, 0, 0).seconds();
        for (const auto& item : inst.DlogChannels()) {
            for (const CDataRecord& r :
                 test::ParameterAt(*static_cast<CDASChannel*>(item.get()), 0)->Records())
                lastYear += r.time < newYear;
        }
        const bool eventChannels = std::string(GetParam()).find("hex") == std::string::npos;
        if (now.month() == 1 && eventChannels) {
            EXPECT_GT(lastYear, 0u);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Profiles, DlogSimDownload,
                         ::testing::Values("analyzer", "old-analyzer", "hex-analyzer", "hexcrc-analyzer"));

TEST(DlogSimDownloadFaults, linkCutInTheMiddleOfARecordReplyFailsTheDownload) {
    RecordingNotifier notes;
    ScopedNotifier scope(&notes);
    const DateTime now = DateTime::FromElements(2026, 3, 1, 12, 0, 0);
    SimInstrumentUnderTest sim("analyzer", now);
    sim::LinkOptions options;
    options.faults.cutAtCommand = "report";
    SimRecordLink link(*sim.instrument, sim.features, options);
    DlogInstrumentData inst;
    inst.SetCapabilities(link.GetCapabilities());
    ASSERT_TRUE(DownloadConfiguration(link, inst));
    auto* channel = static_cast<CDASChannel*>(inst.DlogChannels().at(0));
    channel->SetSelected(true);
    EXPECT_FALSE(DownloadRecords(link, {channel}, 1));
    const std::size_t kept = test::ParameterAt(*channel, 0)->GetRecordCount();
    EXPECT_GT(kept, 0u);
    EXPECT_LT(kept, static_cast<std::size_t>(channel->GetRecordCount()));
    EXPECT_EQ(notes.codes().back(), wm::kRecordsFailed);
}

TEST(DlogSimDownloadFaults, dateRangeAndMostRecentRecordsSelectFromTheInstrument) {
    RecordingNotifier notes;
    ScopedNotifier scope(&notes);
    const DateTime now = DateTime::FromElements(2026, 3, 1, 12, 0, 0);
    for (const char* profile : {"analyzer", "old-analyzer"}) {
        SCOPED_TRACE(profile);
        SimInstrumentUnderTest sim(profile, now);
        SimRecordLink link(*sim.instrument, sim.features, {});
        DlogInstrumentData inst;
        inst.SetCapabilities(link.GetCapabilities());
        ASSERT_TRUE(DownloadConfiguration(link, inst));
        auto* channel = static_cast<CDASChannel*>(inst.DlogChannels().at(0));
        channel->SetSelected(true);
        CSelectionSet between;
        between.mode = CSelectionSet::kBetween;
        between.from = DateTime::FromElements(2026, 3, 1, 10, 0, 0).seconds();
        between.to = DateTime::FromElements(2026, 3, 1, 11, 0, 0).seconds();
        channel->SetActiveSelection(&between);
        ASSERT_TRUE(DownloadRecords(link, {channel}, 1));
        const auto& records = test::ParameterAt(*channel, 0)->Records();
        ASSERT_FALSE(records.empty());
        EXPECT_GE(records.front().time, between.from);
        EXPECT_LE(records.back().time, between.to);

        CSelectionSet recent;
        recent.mode = CSelectionSet::kRecentRecords;
        recent.records = 7;
        channel->SetActiveSelection(&recent);
        if (std::string(profile) == "old-analyzer") {
            // Without the RECORDS command the instrument answers "records=" with an error line,
            // which is no record of the channel: the download fails instead of passing for empty.
            EXPECT_FALSE(DownloadRecords(link, {channel}, 1));
            EXPECT_EQ(test::ParameterAt(*channel, 0)->GetRecordCount(), 0u);
            continue;
        }
        ASSERT_TRUE(DownloadRecords(link, {channel}, 1));
        EXPECT_EQ(test::ParameterAt(*channel, 0)->GetRecordCount(), 7u);
    }
}

TEST(DlogSimDownloadFaults, cancelStopsTheReply) {
    RecordingNotifier notes;
    ScopedNotifier scope(&notes);
    const DateTime now = DateTime::FromElements(2026, 3, 1, 12, 0, 0);
    SimInstrumentUnderTest sim("analyzer", now);
    SimRecordLink link(*sim.instrument, sim.features, {});
    DlogInstrumentData inst;
    inst.SetCapabilities(link.GetCapabilities());
    ASSERT_TRUE(DownloadConfiguration(link, inst));
    auto* channel = static_cast<CDASChannel*>(inst.DlogChannels().at(0));
    channel->SetSelected(true);
    link.cancelRequested = true;
    EXPECT_TRUE(DownloadRecords(link, {channel}, 1));
    EXPECT_EQ(link.sent.back(), "d cancel");
    EXPECT_LT(test::ParameterAt(*channel, 0)->GetRecordCount(),
              static_cast<std::size_t>(channel->GetRecordCount()));
}

}  // namespace
}  // namespace talven

// ---- through the session layer, over TCP to a running simulator ----

#include <atomic>
#include <chrono>
#include <thread>

#include <future>

#include "../session/SessionTestSupport.h"
#include "dlog/DlogRequests.h"
#include "foundation/DataLock.h"
#include "network/InstrumentNode.h"
#include "session/InstrumentSession.h"
#include "session/SessionEnvironment.h"
#include "sim/SimServer.h"
#include "transport/TCPConnection.h"

namespace talven {
namespace {

using test::WaitFor;

class DlogSessionDownload : public ::testing::Test {
  protected:
    static constexpr NotifyTarget kWindow = 99;
    RecordingNotifier notes;
    ScopedNotifier scope{&notes};
    std::unique_ptr<sim::SimInstrument> sim;
    std::unique_ptr<CInstrumentConnectedNode> node;
    CInstrumentSession* session = nullptr;
    const DateTime now = DateTime::FromElements(2026, 3, 1, 12, 0, 0);

    void Start(const std::string& cutAtCommand = "") {
        SetSessionMainWindow(1);
        sim::InstrumentOptions o;
        o.profile = "analyzer";
        o.link.faults.cutAtCommand = cutAtCommand;
        o.clockStart = now.seconds();
        o.clockFrozen = true;
        o.seed = 7;
        std::string error;
        sim = sim::SimInstrument::StartTcp(o, 0, error);
        ASSERT_TRUE(sim) << error;
        node = std::make_unique<CInstrumentConnectedNode>("Roof", 8181);
        auto tcp = std::make_unique<CTCPConnection>();
        tcp->SetHost("127.0.0.1");
        tcp->SetPort(sim->port());
        node->SetConnection(std::move(tcp));
        InstrumentSettings s = node->GetSettings();
        s.receiveTimeoutMs = 300;
        node->SetSettings(s);
        session = &CInstrumentSession::Of(*node);
        session->PostConnect();
        ASSERT_TRUE(test::Settle(*session));
        ASSERT_TRUE(session->IsSessionOpen());
    }
    void TearDown() override {
        if (session != nullptr) {
            session->PostDisconnect();
            WaitFor([&] { return !session->HasWorker(); }, 30000);
            session->JoinEndedWorkers();
        }
        node.reset();
        if (sim)
            sim->stop();
        SetSessionMainWindow(0);
    }
    // What reached the window; the session's own notices to the main window are left out.
    std::vector<RecordingNotifier::Entry> WindowNotes() const {
        std::vector<RecordingNotifier::Entry> mine;
        for (const auto& e : notes.entries())
            if (e.target == kWindow)
                mine.push_back(e);
        return mine;
    }
    int Count(int code) const {
        int n = 0;
        for (const auto& e : WindowNotes())
            n += e.code == code;
        return n;
    }
    // The configuration download request, waited for.
    void DownloadConfiguration(InstrumentNodeDlog& dlog) {
        notes.clear();
        session->PostRequest(std::make_unique<CThreadMessageRequestDASConfig>(node.get(), &dlog, kWindow));
        ASSERT_TRUE(
            WaitFor([&] { return Count(wm::kDownloadDone) + Count(wm::kDownloadFailed) > 0; }, 60000));
        ASSERT_EQ(Count(wm::kDownloadDone), 1);
    }
    int Send(InstrumentNodeDlog& dlog) {
        notes.clear();
        session->PostRequest(std::make_unique<CThreadMessageSendDASConfig>(node.get(), &dlog, kWindow));
        EXPECT_TRUE(WaitFor([&] { return Count(wm::kSendDone) + Count(wm::kSendFailed) > 0; }, 60000));
        return Count(wm::kSendDone) > 0 ? wm::kSendDone : wm::kSendFailed;
    }
};

TEST_F(DlogSessionDownload, requestDownloadsEveryChannelAsGenerated) {
    Start();
    InstrumentNodeDlog dlog(*node);
    DownloadConfiguration(dlog);
    SetAllChannelsSelected(dlog, true);
    std::vector<CDASChannel*> channels;
    for (const auto& item : dlog.DlogChannels())
        channels.push_back(static_cast<CDASChannel*>(item.get()));
    session->PostRequest(
        std::make_unique<CThreadMessageRequestDASRecords>(node.get(), ChannelNames(channels), kWindow));
    ASSERT_TRUE(WaitFor([&] { return Count(wm::kRecordsDone) + Count(wm::kRecordsFailed) > 0; }, 60000));
    EXPECT_EQ(Count(wm::kRecordsDone), 1);
    EXPECT_EQ(Count(wm::kRecordsStart), static_cast<int>(channels.size()));
    ExpectRecordsAsGenerated(dlog, sim->instrument().dasData(), now.seconds(), false);
}

TEST_F(DlogSessionDownload, replyCutByAReconnectionFailsTheDownloadAndKeepsTheRecordsSoFar) {
    Start("report");
    InstrumentNodeDlog dlog(*node);
    DownloadConfiguration(dlog);
    auto* channel = static_cast<CDASChannel*>(dlog.DlogChannels().at(0));
    channel->SetSelected(true);
    const int opensBefore = static_cast<int>(node->GetConnection()->GetOpenCount());
    session->PostRequest(std::make_unique<CThreadMessageRequestDASRecords>(
        node.get(), std::vector<std::string>{channel->GetName()}, kWindow));
    ASSERT_TRUE(WaitFor([&] { return Count(wm::kRecordsDone) + Count(wm::kRecordsFailed) > 0; }, 60000));
    // The TCP link came back by itself in the middle of the reply: the rest of it never came.
    EXPECT_GT(static_cast<int>(node->GetConnection()->GetOpenCount()), opensBefore);
    EXPECT_EQ(Count(wm::kRecordsFailed), 1);
    EXPECT_EQ(Count(wm::kRecordsDone), 0);
    const std::size_t kept = test::ParameterAt(*channel, 0)->GetRecordCount();
    EXPECT_GT(kept, 0u);
    EXPECT_LT(kept, static_cast<std::size_t>(channel->GetRecordCount()));
}

/// Holds the worker until released.
class Gate : public CThreadMessage {
  public:
    explicit Gate(std::shared_future<void> open) : open_(std::move(open)) {}
    const char* GetRuntimeClass() const override { return "Gate"; }
    void Execute() override { open_.wait(); }

  private:
    std::shared_future<void> open_;
};

TEST_F(DlogSessionDownload, aWaitingRequestFindsItsChannelsByNameInTheListAsItIsWhenItRuns) {
    Start();
    InstrumentNodeDlog dlog(*node);
    DownloadConfiguration(dlog);
    notes.clear();
    std::promise<void> release;
    session->PostRequest(std::make_unique<Gate>(release.get_future().share()));
    session->PostRequest(std::make_unique<CThreadMessageRequestDASRecords>(
        node.get(), std::vector<std::string>{"PNUMTC", "CONC1"}, kWindow));
    // Meanwhile the list is replaced (as a configuration download or a loaded file does): the
    // channels the request was made for are gone, PNUMTC altogether.
    CDASChannel* fresh = nullptr;
    {
        DataGuard guard;
        CNamedObjectList replacement;
        auto copy = dlog.DlogChannels().FindByName("CONC1")->Clone();
        fresh = static_cast<CDASChannel*>(copy.get());
        fresh->SetSelected(true);
        replacement.Append(std::move(copy));
        dlog.DlogChannels() = std::move(replacement);
    }
    release.set_value();
    ASSERT_TRUE(WaitFor([&] { return Count(wm::kRecordsDone) + Count(wm::kRecordsFailed) > 0; }, 60000));
    EXPECT_EQ(Count(wm::kRecordsDone), 1);
    ASSERT_EQ(Count(wm::kRecordsStart), 1);
    for (const auto& e : WindowNotes()) {
        if (e.code == wm::kRecordsStart) {
            EXPECT_EQ(e.lParam, 1);  // CONC1's place in the request
        }
    }
    EXPECT_EQ(test::ParameterAt(*fresh, 0)->GetRecordCount(), 800u);
}

TEST_F(DlogSessionDownload, closingTheSessionDiscardsRecordsAndTheModifiedMark) {
    struct ObserverScope {
        ObserverScope() { AddSessionObserver(&DlogSessionObserver()); }
        ~ObserverScope() { RemoveSessionObserver(&DlogSessionObserver()); }
    } observing;
    Start();
    InstrumentNodeDlog dlog(*node);
    DownloadConfiguration(dlog);
    auto* channel = static_cast<CDASChannel*>(dlog.DlogChannels().at(0));
    channel->SetSelected(true);
    session->PostRequest(std::make_unique<CThreadMessageRequestDASRecords>(
        node.get(), std::vector<std::string>{channel->GetName()}, kWindow));
    ASSERT_TRUE(WaitFor([&] { return Count(wm::kRecordsDone) + Count(wm::kRecordsFailed) > 0; }, 60000));
    ASSERT_GT(test::ParameterAt(*channel, 0)->GetRecordCount(), 0u);
    dlog.SetDlogModified(true);

    session->PostDisconnect();
    ASSERT_TRUE(WaitFor([&] { return !session->HasWorker(); }, 30000));
    session->JoinEndedWorkers();
    EXPECT_EQ(test::ParameterAt(*channel, 0)->GetRecordCount(), 0u);
    EXPECT_FALSE(dlog.IsDlogModified());
    EXPECT_EQ(dlog.DlogChannels().size(),
              sim->instrument().dasData().channels.size());  // the configuration stays
}

TEST_F(DlogSessionDownload, configurationDownloadsAndIsSentBack) {
    Start();
    InstrumentNodeDlog dlog(*node);
    DownloadConfiguration(dlog);
    const sim::DasData before = sim->instrument().dasData();
    ASSERT_EQ(dlog.DlogChannels().size(), before.channels.size());
    EXPECT_EQ(dlog.DlogEvents().size(), before.events.size());
    EXPECT_EQ(dlog.DlogPoints().size(), before.points.size());
    const auto windowNotes = WindowNotes();
    ASSERT_FALSE(windowNotes.empty());
    EXPECT_EQ(windowNotes.front().code, wm::kTransferStart);
    EXPECT_EQ(windowNotes.front().wParam, before.channels.size() + 2);

    auto* first = static_cast<CDASChannel*>(dlog.DlogChannels().at(0));
    first->SetRecordCount(123);
    dlog.SetDlogModified(true);
    EXPECT_EQ(Send(dlog), wm::kSendDone);
    EXPECT_FALSE(dlog.IsDlogModified());
    EXPECT_EQ(sim->instrument().dasData().channels[0].records, 123);

    // An event the instrument does not know: refused, the mark stays.
    first->SetEvent("NO_SUCH_EVENT");
    dlog.SetDlogModified(true);
    EXPECT_EQ(Send(dlog), wm::kSendFailed);
    EXPECT_TRUE(dlog.IsDlogModified());
    EXPECT_EQ(sim->instrument().dasData().channels[0].event, before.channels[0].event);
}

}  // namespace
}  // namespace talven
