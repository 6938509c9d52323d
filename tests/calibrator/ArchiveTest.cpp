#include <bit>
#include <cstring>

#include "calibrator/CalibratorClasses.h"
#include "calibrator/GasUnitDesc.h"
#include "calibrator/Level.h"
#include "calibrator/Sequence.h"
#include "calibrator/SequenceScript.h"
#include "network/InstrumentNode.h"
#include "network/ObjectArchiveFile.h"

#include "CalibratorTestSupport.h"

namespace talven::testing {
namespace {

constexpr unsigned kFileFlags = textflag::kScript | textflag::kDuration;

class CalibratorArchive : public ::testing::Test {
  protected:
    CalibratorArchive() { RegisterCalibratorArchiveClasses(); }

    static std::vector<std::uint8_t> Store(const SerialObject& object) {
        BinaryObjectArchive ar;
        ar.WriteObject(&object);
        EXPECT_FALSE(ar.failed());
        return ar.Writer().bytes();
    }

    template <class T>
    static std::unique_ptr<T> Load(const std::vector<std::uint8_t>& bytes) {
        BinaryObjectArchive ar(bytes.data(), bytes.size());
        std::unique_ptr<SerialObject> object = ar.ReadObject();
        if (ar.failed() || !object)
            return nullptr;
        auto* typed = dynamic_cast<T*>(object.get());
        if (typed != nullptr)
            object.release();
        return std::unique_ptr<T>(typed);
    }

    /// A class record (new-class tag, schema, name) followed by a step's name and id.
    static ArchiveWriter StepRecord(const std::string& className, std::uint16_t schema,
                                    const std::string& keyword) {
        ArchiveWriter w;
        w.WriteU16(0xFFFF);
        w.WriteU16(schema);
        w.WriteU16(static_cast<std::uint16_t>(className.size()));
        w.WriteBytes(className.data(), className.size());
        w.WriteString(keyword);
        w.WriteU32(0);
        return w;
    }
};

TEST_F(CalibratorArchive, sequenceWithEveryStepKindSurvivesStoreAndLoad) {
    CCalibratorData instrument("Cal", "");
    CSequence& sequence = AddSequence(instrument, "ALL");
    SequenceSettings settings = sequence.GetSettings();
    settings.ccInputs = {0x123, true, false};
    settings.ccOutputs = {0x0F0, false, false};
    settings.repeatCount = 42;
    settings.timerEnabled = true;
    settings.timerPeriod = 3600;
    sequence.SetSettings(settings);
    for (int i = 0; i < kStepKindCount; ++i)
        sequence.AppendStep(CreateStep(static_cast<StepKind>(i)));
    static_cast<CStepGenerate*>(sequence.GetStep(0))->Set({12.5f, 201, 103, 3.25f});
    static_cast<CStepExecSeq*>(sequence.GetStep(8))->SetSequenceName("OTHER");

    auto loaded = Load<CSequence>(Store(sequence));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetName(), "ALL");
    EXPECT_EQ(loaded->GetSettings(), settings);
    ASSERT_EQ(loaded->GetStepCount(), static_cast<std::size_t>(kStepKindCount));
    EXPECT_EQ(loaded->GetStep(3)->GetRuntimeClass(), std::string("CStepGPTPreset"));
    EXPECT_EQ(loaded->GetStep(0)->GetSequence(), loaded.get());
    loaded->SetInstrument(&instrument);
    EXPECT_EQ(loaded->GetText(kFileFlags), sequence.GetText(kFileFlags));
}

TEST_F(CalibratorArchive, digitOrderFlagIsStoredSoBothOrdersSurvive) {
    EXPECT_TRUE(CSequence().GetSettings().ccInputs.msbFirst);
    EXPECT_FALSE(CSequence(nullptr).GetSettings().ccInputs.msbFirst);
    CSequence userMade(nullptr);
    auto loaded = Load<CSequence>(Store(userMade));
    ASSERT_NE(loaded, nullptr);
    EXPECT_FALSE(loaded->GetSettings().ccInputs.msbFirst);
    EXPECT_FALSE(loaded->GetSettings().ccOutputs.msbFirst);
}

TEST_F(CalibratorArchive, stepLayoutIsNameIdThenFieldsInOrder) {
    CStepGenerate generate;
    generate.Set({1.5f, 201, 103, 2.0f});
    const std::vector<std::uint8_t> bytes = Store(generate);
    ArchiveWriter expected = StepRecord("CStepGenerate", 2, "GENERATE");
    expected.WriteU32(std::bit_cast<std::uint32_t>(1.5f));
    expected.WriteU32(201);
    expected.WriteU32(103);
    expected.WriteU32(std::bit_cast<std::uint32_t>(2.0f));
    EXPECT_EQ(bytes, expected.bytes());

    CStepStatusBlock blocks;
    blocks.SetBlock(1, {0x81, false, true});
    ArchiveWriter layout = StepRecord("CStepStatusBlock", 2, "SETSTATUSBLOCK");
    for (std::uint32_t bits : {0u, 0x81u}) {
        layout.WriteU32(bits);
        layout.WriteU8(bits == 0 ? 1 : 0);  // enabled
        layout.WriteU8(1);                  // most significant first
    }
    EXPECT_EQ(Store(blocks), layout.bytes());
}

TEST_F(CalibratorArchive, schemaOneFlowStepsKeepTheDefaultFlow) {
    ArchiveWriter generate = StepRecord("CStepGenerate", 1, "GENERATE");
    generate.WriteU32(std::bit_cast<std::uint32_t>(7.0f));
    generate.WriteU32(200);
    generate.WriteU32(102);
    auto loadedGenerate = Load<CStepGenerate>(generate.bytes());
    ASSERT_NE(loadedGenerate, nullptr);
    EXPECT_EQ(loadedGenerate->Get(), (GenerateFields{7.0f, 200, 102, -1.0f}));

    ArchiveWriter gptz = StepRecord("CStepGPTZ", 1, "GPTZ");
    for (std::uint32_t v :
         {std::bit_cast<std::uint32_t>(1.0f), 200u, std::bit_cast<std::uint32_t>(2.0f), 201u})
        gptz.WriteU32(v);
    auto loadedGptz = Load<CStepGPTZ>(gptz.bytes());
    ASSERT_NE(loadedGptz, nullptr);
    EXPECT_EQ(loadedGptz->Get(), (GptFields{1.0f, 200, 2.0f, 201, -1.0f}));
}

TEST_F(CalibratorArchive, otherSchemasAreArchiveErrors) {
    ArchiveWriter purge = StepRecord("CStepPurge", 1, "PURGE");
    EXPECT_EQ(Load<CStepPurge>(purge.bytes()), nullptr);
    ArchiveWriter generate = StepRecord("CStepGenerate", 3, "GENERATE");
    for (int i = 0; i < 4; ++i)
        generate.WriteU32(0);
    EXPECT_EQ(Load<CStepGenerate>(generate.bytes()), nullptr);
}

TEST_F(CalibratorArchive, levelsKeepTheirActionOrItsAbsence) {
    CLevel level;
    level.SetNumber(42);
    auto gpt = std::make_unique<CStepGPT>();
    gpt->Set({1.0f, 200, 2.0f, 200, 5.0f});
    level.SetAction(std::move(gpt));
    level.SetBlock(0, {0x0F, true, true});
    level.SetBlock(1, {0, false, true});
    auto loaded = Load<CLevel>(Store(level));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetNumber(), 42u);
    ASSERT_NE(loaded->GetAction(), nullptr);
    EXPECT_EQ(static_cast<CStepGPT*>(loaded->GetAction())->Get().totalFlow, 5.0f);
    EXPECT_EQ(loaded->GetBlock(0), (BinaryValue{0x0F, true, true}));
    EXPECT_FALSE(loaded->GetBlock(1).enabled);

    CLevel bare;
    auto loadedBare = Load<CLevel>(Store(bare));
    ASSERT_NE(loadedBare, nullptr);
    EXPECT_EQ(loadedBare->GetAction(), nullptr);
}

TEST_F(CalibratorArchive, levelWhoseActionIsNoActionKindIsRefused) {
    ArchiveWriter w;
    const std::string name = "CLevel";
    w.WriteU16(0xFFFF);
    w.WriteU16(1);
    w.WriteU16(static_cast<std::uint16_t>(name.size()));
    w.WriteBytes(name.data(), name.size());
    w.WriteString("");
    w.WriteU32(0);
    w.WriteU32(12);
    const ArchiveWriter purge = StepRecord("CStepPurge", 2, "PURGE");
    w.WriteBytes(purge.bytes().data(), purge.size());
    for (int i = 0; i < 2; ++i) {
        w.WriteU32(0);
        w.WriteU8(1);
        w.WriteU8(1);
    }
    EXPECT_EQ(Load<CLevel>(w.bytes()), nullptr);
}

TEST_F(CalibratorArchive, descriptorsSurviveStoreAndLoad) {
    CGasDesc gas("CH4", 150, 16.04f, 0.5f, false);
    auto loadedGas = Load<CGasDesc>(Store(gas));
    ASSERT_NE(loadedGas, nullptr);
    EXPECT_EQ(loadedGas->GetName(), "CH4");
    EXPECT_EQ(loadedGas->GetId(), 150u);
    EXPECT_FLOAT_EQ(loadedGas->GetMolecularWeight(), 16.04f);
    EXPECT_FLOAT_EQ(loadedGas->GetSecondFactor(), 0.5f);
    EXPECT_FALSE(loadedGas->IsEnabled());

    CUnitDesc unit("WT%", 225, 2);
    auto loadedUnit = Load<CUnitDesc>(Store(unit));
    ASSERT_NE(loadedUnit, nullptr);
    EXPECT_EQ(loadedUnit->GetDecimalPlaces(), 2u);
}

TEST_F(CalibratorArchive, everyTruncatedSequenceFailsCleanly) {
    CSequence sequence(nullptr);
    for (int i = 0; i < kStepKindCount; ++i)
        sequence.AppendStep(CreateStep(static_cast<StepKind>(i)));
    const std::vector<std::uint8_t> bytes = Store(sequence);
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
        BinaryObjectArchive ar(cut.data(), cut.size());
        std::unique_ptr<SerialObject> object = ar.ReadObject();
        EXPECT_TRUE(ar.failed() || object == nullptr) << n;
    }
}

TEST_F(CalibratorArchive, instrumentNodeViewAttachesLoadedLists) {
    CInstrumentConnectedNode node;
    InstrumentIdentity settings = node.GetIdentity();
    settings.capabilities = "cuj";
    settings.serialNumber = "123";
    settings.modelFamily = 4;
    node.SetIdentity(settings);
    node.GetList(kSequences).Append(std::make_unique<CSequence>());
    auto level = std::make_unique<CLevel>();
    level->SetAction(std::make_unique<CStepGenerate>());
    CStep* action = level->GetAction();
    node.GetList(kLevels).Append(std::move(level));
    {
        CInstrumentCalibratorView view(node);
        EXPECT_TRUE(view.HasCapability('j'));
        EXPECT_EQ(view.GetModelFamily(), 4);
        EXPECT_EQ(view.GetSerialNumber(), "123");
        EXPECT_EQ(SequenceAt(view, 0).GetInstrument(), &view);
        EXPECT_EQ(action->GetInstrument(), &view);
    }
    EXPECT_EQ(static_cast<CSequence&>(*node.GetList(kSequences).at(0)).GetInstrument(), nullptr);
    EXPECT_EQ(action->GetInstrument(), nullptr);
}

TEST_F(CalibratorArchive, instrumentNodeKeepsItsFourCalibratorListsThroughTheArchive) {
    CInstrumentConnectedNode node("Roof", 777);
    {
        CInstrumentCalibratorView view(node);
        view.GasList().Append(std::make_unique<CGasDesc>("CH4", 150, 16.0f));
        view.UnitList().Append(std::make_unique<CUnitDesc>("PPQ", 250, 5));
        CSequence& sequence = AddSequence(view, "CAL");
        auto generate = std::make_unique<CStepGenerate>();
        generate->Set({1.5f, 250, 150, 2.0f});
        sequence.AppendStep(std::move(generate));
        auto level = std::make_unique<CLevel>(&view);
        level->SetNumber(44);
        level->SetAction(std::make_unique<CStepManual>());
        view.LevelList().Append(std::move(level));
    }
    std::string before;
    {
        CInstrumentCalibratorView view(node);
        before = SequenceListText(view, textflag::kScript | textflag::kDuration);
    }
    auto loaded = Load<CInstrumentConnectedNode>(Store(node));
    ASSERT_NE(loaded, nullptr);
    CInstrumentCalibratorView view(*loaded);
    EXPECT_EQ(view.GasList().size(), 1u);
    EXPECT_EQ(view.UnitList().size(), 1u);
    ASSERT_EQ(view.LevelList().size(), 1u);
    EXPECT_EQ(static_cast<CLevel&>(*view.LevelList().at(0)).GetAction()->GetInstrument(), &view);
    // The step names its unit and gas through the instrument's own tables again.
    EXPECT_EQ(SequenceListText(view, textflag::kScript | textflag::kDuration), before);
    EXPECT_NE(before.find("GENERATE 1.50000 PPQ CH4 2.000"), std::string::npos);
}

TEST(CalibratorViews, sessionStartAndEndClearTheSequenceMarkOfThatNodesViews) {
    CInstrumentConnectedNode node;
    CInstrumentConnectedNode other;
    CInstrumentCalibratorView view(node);
    CInstrumentCalibratorView otherView(other);
    for (CInstrumentCalibratorView* v : {&view, &otherView}) {
        v->SetSequenceConfigModified(true);
        v->SetLevelTableModified(true);
    }
    CalibratorSessionObserver().OnSessionReset(node);
    EXPECT_FALSE(view.IsSequenceConfigModified());
    EXPECT_TRUE(view.IsLevelTableModified());
    EXPECT_TRUE(otherView.IsSequenceConfigModified());
    CalibratorSessionObserver().OnSessionClosing(other);
    EXPECT_FALSE(otherView.IsSequenceConfigModified());
}

}  // namespace
}  // namespace talven::testing
