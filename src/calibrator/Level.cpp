#include "calibrator/Level.h"

#include <cstdio>
#include <fstream>

#include "calibrator/CalibratorInstrument.h"
#include "calibrator/CalibratorMessages.h"
#include "calibrator/GasUnitDesc.h"
#include "foundation/DataLock.h"
#include "foundation/Log.h"
#include "foundation/Messages.h"
#include "text/InstrumentTokenStream.h"

namespace talven {

namespace {

/// The kinds a level's action may have: the gas-generating steps.
bool ActionKindOfToken(int token, StepKind& kind) {
    return StepKindOfToken(token, kind) && static_cast<int>(kind) <= static_cast<int>(StepKind::Manual);
}

/// Reads level lines while they come; the token after the last one stays current.
void ReadLevelLines(TokenStream& ts, ICalibratorInstrument* instrument, int variant, CNamedObjectList& out,
                    CalibratorTransferProgress* progress) {
    for (;;) {
        auto level = std::make_unique<CLevel>(instrument);
        if (!level->ReadLevelLine(ts, variant))
            return;
        out.Append(std::move(level));
        if (progress != nullptr)
            progress->Advance();
    }
}

/// The count form: "C", an integer, "LEVELTABLE", n (0..100), n lines, end of input.
bool ReadCountedLevels(TokenStream& ts, ICalibratorInstrument* instrument, int variant, CNamedObjectList& out,
                       CalibratorTransferProgress* progress) {
    if (ts.NextToken() != kTokenInteger || ts.NextToken() != tok::LEVELTABLE ||
        ts.NextToken() != kTokenInteger)
        return false;
    const std::int32_t count = ts.GetIntegerValue();
    if (count < 0 || count > 100)
        return false;
    if (progress != nullptr)
        progress->SetRange(count);
    ts.NextToken();
    for (std::int32_t i = 0; i < count; ++i) {
        auto level = std::make_unique<CLevel>(instrument);
        if (!level->ReadLevelLine(ts, variant))
            return false;
        out.Append(std::move(level));
        if (progress != nullptr)
            progress->Advance();
    }
    return ts.GetTokenKind() == kTokenEnd;
}

/// The action form: "C", an integer, "LEVELTABLEBEGIN", lines, "LEVELTABLEEND", end of input.
bool ReadFramedLevels(TokenStream& ts, ICalibratorInstrument* instrument, CNamedObjectList& out,
                      CalibratorTransferProgress* progress) {
    if (ts.NextToken() != kTokenInteger || ts.NextToken() != tok::LEVELTABLEBEGIN)
        return false;
    if (progress != nullptr)
        progress->SetRange(100);
    ts.NextToken();
    ReadLevelLines(ts, instrument, 2, out, progress);
    return ts.GetTokenKind() == tok::LEVELTABLEEND && ts.NextToken() == kTokenEnd;
}

}  // namespace

bool IsLevelActionKind(StepKind kind) {
    return kind == StepKind::Generate || kind == StepKind::GPT || kind == StepKind::GPTZ ||
           kind == StepKind::GPTPreset || kind == StepKind::Manual;
}

CLevel::CLevel() = default;

CLevel::CLevel(ICalibratorInstrument* instrument) : instrument_(instrument) {}

CLevel::CLevel(const CLevel& other) : CNamedObject(other) {
    DataGuard guard;
    instrument_ = other.instrument_;
    number_ = other.number_;
    action_ = other.action_ ? other.action_->CloneStep() : nullptr;
    blocks_[0] = other.blocks_[0];
    blocks_[1] = other.blocks_[1];
}

CLevel::~CLevel() {
    DataGuard guard;
    action_.reset();
}

std::unique_ptr<CNamedObject> CLevel::Clone() const {
    return std::make_unique<CLevel>(*this);
}

void CLevel::Serialize(ObjectArchive& ar) {
    CNamedObject::Serialize(ar);
    DataGuard guard;
    if (ar.IsStoring()) {
        ar.Writer().WriteU32(number_);
        ar.WriteObject(action_.get());
        blocks_[0].Serialize(ar);
        blocks_[1].Serialize(ar);
        return;
    }
    number_ = ar.Reader().ReadU32();
    std::unique_ptr<SerialObject> object = ar.ReadObject();
    action_.reset();
    if (object) {
        auto* step = dynamic_cast<CStep*>(object.get());
        if (step == nullptr || !IsLevelActionKind(step->Kind())) {
            ar.Fail();
            return;
        }
        object.release();
        action_.reset(step);
        action_->SetOwningInstrument(instrument_);
    }
    blocks_[0].Serialize(ar);
    blocks_[1].Serialize(ar);
}

ICalibratorInstrument* CLevel::GetInstrument() const {
    DataGuard guard;
    return instrument_;
}

void CLevel::SetInstrument(ICalibratorInstrument* instrument) {
    DataGuard guard;
    instrument_ = instrument;
    if (action_)
        action_->SetOwningInstrument(instrument);
}

std::uint32_t CLevel::GetNumber() const {
    DataGuard guard;
    return number_;
}

void CLevel::SetNumber(std::uint32_t number) {
    DataGuard guard;
    number_ = number;
}

CStep* CLevel::GetAction() const {
    DataGuard guard;
    return action_.get();
}

void CLevel::SetAction(std::unique_ptr<CStep> action) {
    DataGuard guard;
    if (action) {
        action->SetSequence(nullptr);
        action->SetOwningInstrument(instrument_);
    }
    action_ = std::move(action);
}

void CLevel::EnsureAction() {
    DataGuard guard;
    if (!action_)
        SetAction(CreateStep(StepKind::Generate));
}

void CLevel::ChangeActionKind(StepKind kind) {
    DataGuard guard;
    if (!IsLevelActionKind(kind) || (action_ && action_->Kind() == kind))
        return;
    SetAction(CreateStep(kind));
}

BinaryValue CLevel::GetBlock(int index) const {
    DataGuard guard;
    return blocks_[index != 0 ? 1 : 0];
}

void CLevel::SetBlock(int index, const BinaryValue& block) {
    DataGuard guard;
    blocks_[index != 0 ? 1 : 0] = block;
}

std::string CLevel::LineText(int variant, unsigned flags) const {
    DataGuard guard;
    const bool script = (flags & textflag::kScript) != 0;
    std::string text = std::to_string(number_);
    if (variant == 2) {
        if (action_)
            text += " " + action_->GetText(flags);
    } else if (const auto* generate = dynamic_cast<const CStepGenerate*>(action_.get())) {
        const GenerateFields f = generate->Get();
        text += " " + QuantityText(instrument_, f.concentration, f.unitId, f.gasId, script);
        if (variant == 1)
            text += " " + FixedText(f.totalFlow, 3);
    }
    text += " " + blocks_[0].Text(BinaryValue::kStatusBlockWidth, script);
    text += " " + blocks_[1].Text(BinaryValue::kStatusBlockWidth, script);
    return text;
}

bool CLevel::ReadLevelLine(TokenStream& ts, int variant) {
    if (ts.GetTokenKind() != kTokenInteger || ts.GetIntegerValue() < static_cast<std::int32_t>(kMinNumber) ||
        ts.GetIntegerValue() > static_cast<std::int32_t>(kMaxNumber)) {
        return false;
    }
    const auto number = static_cast<std::uint32_t>(ts.GetIntegerValue());
    StepKind kind = StepKind::Generate;
    if (variant == 2 && !ActionKindOfToken(ts.NextToken(), kind))
        return false;
    std::unique_ptr<CStep> action = CreateStep(kind);
    action->SetOwningInstrument(GetInstrument());
    if (!action->ReadScript(ts))
        return false;
    BinaryValue first{0, true, true};
    BinaryValue second{0, true, true};
    if (!first.Read(ts, BinaryValue::kStatusBlockWidth) || !second.Read(ts, BinaryValue::kStatusBlockWidth))
        return false;
    DataGuard guard;
    number_ = number;
    SetAction(std::move(action));
    blocks_[0] = first;
    blocks_[1] = second;
    return true;
}

std::array<std::string, 4> CLevel::RowTexts() const {
    DataGuard guard;
    char number[16];
    std::snprintf(number, sizeof number, "%02u", number_);
    return {number, action_ ? action_->GetText(0) : std::string(),
            blocks_[0].Text(BinaryValue::kStatusBlockWidth, false),
            blocks_[1].Text(BinaryValue::kStatusBlockWidth, false)};
}

int LevelVariantFor(const ICalibratorInstrument& instrument) {
    if (instrument.HasCapability(capability::kLevelTableActions))
        return 2;
    return instrument.HasCapability(capability::kLevelTableFlow) ? 1 : 0;
}

std::string LevelTableFileText(ICalibratorInstrument& instrument) {
    DataGuard guard;
    std::string text = "leveltablebegin\r\n";
    for (const auto& item : instrument.LevelList())
        text +=
            static_cast<const CLevel&>(*item).LineText(2, textflag::kScript | textflag::kDuration) + "\r\n";
    text += "leveltableend\r\n";
    return text;
}

bool ReadLevelTableFile(TokenStream& ts, ICalibratorInstrument* instrument, CNamedObjectList& out) {
    if (ts.NextToken() != tok::LEVELTABLEBEGIN) {
        ts.RecordError();
        return false;
    }
    ts.NextToken();
    ReadLevelLines(ts, instrument, 2, out, nullptr);
    if (ts.GetTokenKind() != tok::LEVELTABLEEND || ts.NextToken() != kTokenEnd)
        ts.RecordError();
    return ts.GetErrorCount() == 0;
}

CalFileResult LoadLevelTableFile(ICalibratorInstrument& instrument, const std::string& path) {
    CNamedObjectList read;
    const CalFileResult result = ReadScriptFile(
        path, calmsg::kUnableToLoadLevelTable, calmsg::kLevelTableSyntaxError,
        [&](TokenStream& ts, CNamedObjectList& out) { return ReadLevelTableFile(ts, &instrument, out); },
        read);
    if (!result.ok)
        read.DeleteAll();
    {
        // The user agreed to discard the table before the load, so a failed load leaves it empty.
        DataGuard guard;
        instrument.LevelList().swap(read);
        instrument.SetLevelTableModified(false);
    }
    return result;
}

CalFileResult SaveLevelTableFile(ICalibratorInstrument& instrument, const std::string& path) {
    if (!ReplaceFileContents(path, LevelTableFileText(instrument)))
        return FileFailure(calmsg::kUnableToSaveLevelTable, path);
    instrument.SetLevelTableModified(false);
    return {true, {}};
}

std::string ProposedLevelTableFileName(const ICalibratorInstrument& instrument) {
    return CleanFileName(FormatMessage(calmsg::kLevelTableFileName, instrument.GetInstrumentName(),
                                       instrument.GetSerialNumber(),
                                       MessageText(calmsg::kTextFileExtension)));
}

LevelSendForm MakeLevelSendForm(ICalibratorInstrument& instrument) {
    const int variant = LevelVariantFor(instrument);
    DataGuard guard;
    const CNamedObjectList& levels = instrument.LevelList();
    LevelSendForm form;
    if (variant == 2) {
        form.opening = "leveltablebegin";
        form.closing = "leveltableend";
    } else {
        form.opening = "leveltable " + std::to_string(levels.size());
    }
    for (const auto& item : levels)
        form.lines.push_back(static_cast<const CLevel&>(*item).LineText(variant, textflag::kScript));
    return form;
}

std::string LevelTableRequestArgument(const ICalibratorInstrument& instrument) {
    return instrument.HasCapability(capability::kLevelTableActions) ? "leveltable print"
                                                                    : "leveltable print script";
}

bool ReadLevelTableDownload(TokenStream& ts, ICalibratorInstrument& instrument, CalibratorTransferProgress* progress) {
    CNamedObjectList read;
    const int variant = LevelVariantFor(instrument);
    const int first = ts.NextToken();
    bool ok = false;
    if (variant != 2 && first == tok::kNoLevelsDefined) {
        ok = true;
    } else if (first == tok::C) {
        ok = variant == 2 ? ReadFramedLevels(ts, &instrument, read, progress)
                          : ReadCountedLevels(ts, &instrument, variant, read, progress);
    }
    // Errors that let reading go on (a flow out of range) still fail the download.
    if (!ok || ts.GetErrorCount() != 0)
        return false;
    DataGuard guard;
    instrument.LevelList().swap(read);
    instrument.SetLevelTableModified(false);
    return true;
}

bool ReadLevelSendReply(TokenStream& ts, ICalibratorInstrument& instrument) {
    if (ts.NextToken() != tok::kLevelTableStored)
        return false;
    instrument.SetLevelTableModified(false);
    return true;
}

std::optional<std::pair<std::size_t, std::size_t>> FindDuplicateLevelNumbers(const CNamedObjectList& levels) {
    DataGuard guard;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const std::uint32_t number = static_cast<const CLevel*>(levels.at(i))->GetNumber();
        for (std::size_t j = i + 1; j < levels.size(); ++j) {
            if (static_cast<const CLevel*>(levels.at(j))->GetNumber() == number)
                return std::make_pair(i, j);
        }
    }
    return std::nullopt;
}

std::vector<StepKind> LevelActionKinds() {
    return {StepKind::Generate, StepKind::GPT, StepKind::GPTZ, StepKind::GPTPreset, StepKind::Manual};
}

bool CanChooseLevelAction(const ICalibratorInstrument* instrument) {
    return HasCapability(instrument, capability::kLevelTableActions);
}

}  // namespace talven
