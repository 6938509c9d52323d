// The calibrator's texts against the simulated calibrators: what they print reads in, and what
// this program sends them is accepted and comes back unchanged. The link and session are left out:
// the lines go straight to the simulated instrument's interpreter.

#include <memory>

#include "calibrator/GasUnitDesc.h"
#include "calibrator/Level.h"
#include "calibrator/SequenceScript.h"
#include "sim/Instrument.h"
#include "sim/Profiles.h"
#include "sim/SimClock.h"

#include "CalibratorTestSupport.h"

namespace talven::testing {
namespace {

constexpr std::uint32_t kNow = 1767225600;  // 2026-01-01

class SimCalibrator {
  public:
    explicit SimCalibrator(sim::Profile profile)
        : capabilities_(profile.features),
          instrument_(std::move(profile), 1, std::make_shared<sim::SimClock>(kNow, true)) {}
    static SimCalibrator Named(const char* name) { return SimCalibrator(*sim::MakeProfile(name, kNow, 1)); }

    /// A command line ("c", then the argument) and the reply text.
    std::string Command(const std::string& text) {
        return Join(instrument_.handleLine(session_, "\x03" + text));
    }
    /// Plain lines (a script); the reply text to the last of them.
    std::string SendLines(const std::string& script) {
        std::string reply;
        std::size_t start = 0;
        while (start < script.size()) {
            std::size_t end = script.find('\n', start);
            end = end == std::string::npos ? script.size() : end + 1;
            reply += Join(instrument_.handleLine(session_, script.substr(start, end - start)));
            start = end;
        }
        return reply;
    }
    const std::string& capabilities() const { return capabilities_; }

  private:
    static std::string Join(const sim::Reply& reply) {
        std::string text;
        for (const std::string& line : reply.lines)
            text += line;
        return text;
    }
    std::string capabilities_;
    sim::InstrumentSession session_;
    sim::Instrument instrument_;
};

/// The level table send: the opening command, one plain line per level, the closing line.
std::string SendLevels(SimCalibrator& sim, CCalibratorData& instrument) {
    const LevelSendForm form = MakeLevelSendForm(instrument);
    std::string reply = sim.Command("c " + form.opening);
    for (const std::string& line : form.lines)
        reply += sim.SendLines(line + "\r\n");
    if (!form.closing.empty())
        reply += sim.SendLines(form.closing + "\r\n");
    return reply;
}

bool DownloadLevels(SimCalibrator& sim, CCalibratorData& instrument) {
    TextTokens reply(sim.Command("c " + LevelTableRequestArgument(instrument)));
    return ReadLevelTableDownload(reply.ts(), instrument, nullptr);
}

bool DownloadSequences(SimCalibrator& sim, CCalibratorData& instrument) {
    TextTokens reply(sim.Command("c print script"));
    return ReadSequenceDownload(reply.ts(), instrument, nullptr);
}

TEST(SimCalibratorExchange, gasAndUnitTablesReadFromTheCalibrator) {
    SimCalibrator sim = SimCalibrator::Named("calibrator");
    CCalibratorData instrument("Cal", sim.capabilities());
    TextTokens gases(sim.Command("getgasnames"));
    ASSERT_TRUE(ReadGasNamesReply(gases.ts(), instrument));
    EXPECT_FALSE(instrument.GasList().empty());
    TextTokens units(sim.Command("getunitnames"));
    ASSERT_TRUE(ReadUnitNamesReply(units.ts(), instrument));
    EXPECT_FALSE(instrument.UnitList().empty());
}

TEST(SimCalibratorExchange, sequencesDownloadAndGoBackUnchangedInBothDurationForms) {
    for (const char* name : {"calibrator", "old-calibrator", "flow-calibrator"}) {
        SimCalibrator sim = SimCalibrator::Named(name);
        CCalibratorData instrument("Cal", sim.capabilities());
        ASSERT_TRUE(DownloadSequences(sim, instrument)) << name;
        ASSERT_FALSE(instrument.SequenceList().empty()) << name;
        const std::string downloaded = SequenceSendText(instrument);
        EXPECT_NE(downloaded.find(instrument.HasCapability('u') ? "DURATION " : "DELAY "), std::string::npos)
            << name;

        TextTokens stored(sim.SendLines(downloaded), false);
        ASSERT_TRUE(ReadSequenceSendReply(stored.ts(), instrument)) << name;
        CCalibratorData again("Cal", sim.capabilities());
        ASSERT_TRUE(DownloadSequences(sim, again)) << name;
        EXPECT_EQ(SequenceSendText(again), downloaded) << name;
    }
}

TEST(SimCalibratorExchange, quotedUnitNamesAndEveryStepKindGoThroughTheCalibrator) {
    SimCalibrator sim = SimCalibrator::Named("calibrator");
    CCalibratorData instrument("Cal", sim.capabilities());
    CSequence& sequence = AddSequence(instrument, "ALL_KINDS");
    for (int i = 0; i < kStepKindCount; ++i)
        sequence.AppendStep(CreateStep(static_cast<StepKind>(i)));
    static_cast<CStepGenerate*>(sequence.GetStep(0))->Set({1.5f, 225, 102, 2.0f});  // WT%
    static_cast<CStepGPT*>(sequence.GetStep(1))->Set({3.0f, 225, 4.0f, 299, -1.0f});
    static_cast<CStepManual*>(sequence.GetStep(4))
        ->Set({gas::kUnknown, 1.0f, 4.0f, o3mode::kReferenceFeedback, 9.5f});
    const std::string sent = SequenceSendText(instrument);
    ASSERT_NE(sent.find("\"WT%\""), std::string::npos);

    TextTokens stored(sim.SendLines(sent), false);
    ASSERT_TRUE(ReadSequenceSendReply(stored.ts(), instrument));
    CCalibratorData again("Cal", sim.capabilities());
    ASSERT_TRUE(DownloadSequences(sim, again));
    EXPECT_EQ(SequenceSendText(again), sent);
}

TEST(SimCalibratorExchange, durationWordIsRefusedByACalibratorWithoutIt) {
    SimCalibrator sim = SimCalibrator::Named("flow-calibrator");
    CCalibratorData instrument("Cal", sim.capabilities());
    ASSERT_FALSE(instrument.HasCapability('u'));
    auto delay = std::make_unique<CStepDelay>();
    delay->SetMinutes(2.5f);
    AddSequence(instrument, "WAIT").AppendStep(std::move(delay));
    TextTokens refused(sim.SendLines(SequenceListText(instrument, SequenceFileFlags())), false);
    EXPECT_FALSE(ReadSequenceSendReply(refused.ts(), instrument));
    TextTokens stored(sim.SendLines(SequenceSendText(instrument)), false);
    EXPECT_TRUE(ReadSequenceSendReply(stored.ts(), instrument));
}

TEST(SimCalibratorExchange, levelTablesWithActionsDownloadAndGoBack) {
    for (const char* name : {"calibrator", "old-calibrator"}) {
        SimCalibrator sim = SimCalibrator::Named(name);
        CCalibratorData instrument("Cal", sim.capabilities());
        ASSERT_TRUE(DownloadLevels(sim, instrument)) << name;
        ASSERT_FALSE(instrument.LevelList().empty()) << name;
        const std::vector<std::string> lines = MakeLevelSendForm(instrument).lines;

        TextTokens stored(SendLevels(sim, instrument), false);
        ASSERT_TRUE(ReadLevelSendReply(stored.ts(), instrument)) << name;
        CCalibratorData again("Cal", sim.capabilities());
        ASSERT_TRUE(DownloadLevels(sim, again)) << name;
        EXPECT_EQ(MakeLevelSendForm(again).lines, lines) << name;
    }
}

TEST(SimCalibratorExchange, flowAndPlainLevelTablesStartEmptyAndGoBack) {
    sim::Profile plain = *sim::MakeProfile("flow-calibrator", kNow, 1);
    plain.features = "csqlbpA!@%*#$";
    plain.levelForm = sim::LevelForm::kPlain;
    for (auto& profile : {*sim::MakeProfile("flow-calibrator", kNow, 1), plain}) {
        SimCalibrator sim(profile);
        CCalibratorData instrument("Cal", sim.capabilities());
        auto old = std::make_unique<CLevel>(&instrument);
        instrument.LevelList().Append(std::move(old));
        ASSERT_TRUE(DownloadLevels(sim, instrument)) << profile.features;  // "NO LEVELS DEFINED"
        EXPECT_TRUE(instrument.LevelList().empty());

        for (std::uint32_t number : {10u, 25u}) {
            auto level = std::make_unique<CLevel>(&instrument);
            level->SetNumber(number);
            auto generate = std::make_unique<CStepGenerate>();
            generate->Set({number == 10 ? 0.0f : 80.0f, 200, number == 10 ? gas::kZero : 102u,
                           number == 10 ? -1.0f : 2.5f});
            level->SetAction(std::move(generate));
            level->SetBlock(0, {number, true, true});
            instrument.LevelList().Append(std::move(level));
        }
        TextTokens stored(SendLevels(sim, instrument), false);
        ASSERT_TRUE(ReadLevelSendReply(stored.ts(), instrument)) << profile.features;
        CCalibratorData again("Cal", sim.capabilities());
        ASSERT_TRUE(DownloadLevels(sim, again)) << profile.features;
        EXPECT_EQ(MakeLevelSendForm(again).lines, MakeLevelSendForm(instrument).lines) << profile.features;
    }
}

TEST(SimCalibratorExchange, duplicateLevelNumbersAreRefusedByTheCalibratorToo) {
    SimCalibrator sim = SimCalibrator::Named("calibrator");
    CCalibratorData instrument("Cal", sim.capabilities());
    for (int i = 0; i < 2; ++i) {
        auto level = std::make_unique<CLevel>(&instrument);
        level->SetNumber(12);
        level->SetAction(std::make_unique<CStepGenerate>());
        instrument.LevelList().Append(std::move(level));
    }
    ASSERT_TRUE(FindDuplicateLevelNumbers(instrument.LevelList()).has_value());
    TextTokens refused(SendLevels(sim, instrument), false);
    EXPECT_FALSE(ReadLevelSendReply(refused.ts(), instrument));
}

}  // namespace
}  // namespace talven::testing
