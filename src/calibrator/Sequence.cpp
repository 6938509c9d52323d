#include "calibrator/Sequence.h"

#include <cstdio>

#include "calibrator/ArchiveHelpers.h"
#include "calibrator/CalibratorMessages.h"
#include "foundation/DataLock.h"
#include "foundation/DateTime.h"
#include "foundation/Messages.h"
#include "text/InstrumentTokenStream.h"

namespace talven {

namespace {

bool Fail(TokenStream& ts) {
    ts.RecordError();
    return false;
}

/// Reads an integer from the next token into value; false (error recorded) when it is none.
bool NextInteger(TokenStream& ts, std::int32_t& value) {
    if (ts.NextToken() != kTokenInteger)
        return Fail(ts);
    value = ts.GetIntegerValue();
    return true;
}

bool NextIs(TokenStream& ts, int token) {
    if (ts.NextToken() != token)
        return Fail(ts);
    return true;
}

void WriteListCount(ObjectArchive& ar, std::size_t count) {
    if (count < 0xFFFF) {
        ar.Writer().WriteU16(static_cast<std::uint16_t>(count));
    } else {
        ar.Writer().WriteU16(0xFFFF);
        ar.Writer().WriteU32(static_cast<std::uint32_t>(count));
    }
}

std::uint32_t ReadListCount(ObjectArchive& ar) {
    const std::uint16_t small = ar.Reader().ReadU16();
    return small == 0xFFFF ? ar.Reader().ReadU32() : small;
}

}  // namespace

std::uint32_t DefaultTimerStart() {
    return DateTime::FromElements(DateTime::Now().year(), 1, 1, 0, 0, 0).seconds();
}

CSequence::CSequence() : CNamedObject("NONE", 0) {
    settings_.ccInputs.msbFirst = true;
    settings_.ccOutputs.msbFirst = true;
    settings_.timerStart = DefaultTimerStart();
}

CSequence::CSequence(ICalibratorInstrument* instrument) : CNamedObject("NONE", 0), instrument_(instrument) {
    settings_.timerStart = DefaultTimerStart();
}

CSequence::CSequence(const CSequence& other) : CNamedObject(other) {
    DataGuard guard;
    instrument_ = other.instrument_;
    settings_ = other.settings_;
    expanded_ = other.expanded_;
    for (const auto& item : other.steps_)
        AppendStep(static_cast<const CStep&>(*item).CloneStep());
}

CSequence::~CSequence() {
    DataGuard guard;
    steps_.DeleteAll();
}

std::unique_ptr<CNamedObject> CSequence::Clone() const {
    return std::make_unique<CSequence>(*this);
}

std::unique_ptr<CSequence> CSequence::CloneSequence() const {
    return std::make_unique<CSequence>(*this);
}

bool CSequence::EditProperties() {
    CalibratorEditor* editor = GetCalibratorEditor();
    return editor != nullptr && editor->EditSequence(*this);
}

void CSequence::Serialize(ObjectArchive& ar) {
    CNamedObject::Serialize(ar);
    DataGuard guard;
    if (ar.IsStoring()) {
        WriteListCount(ar, steps_.size());
        for (const auto& item : steps_)
            ar.WriteObject(item.get());
        settings_.ccInputs.Serialize(ar);
        settings_.ccOutputs.Serialize(ar);
        ar.Writer().WriteU32(settings_.timerStart);
        ar.Writer().WriteU32(settings_.timerPeriod);
        ar.Writer().WriteU32(settings_.repeatCount);
        calarchive::WriteFlag(ar, settings_.timerEnabled);
        return;
    }
    steps_.DeleteAll();
    const std::uint32_t count = ReadListCount(ar);
    // Each reference takes at least two bytes, so a damaged count ends with the input.
    for (std::uint32_t i = 0; i < count && !ar.failed() && !ar.Reader().failed(); ++i) {
        std::unique_ptr<SerialObject> object = ar.ReadObject();
        if (ar.failed() || ar.Reader().failed() || !object)
            continue;
        auto* step = dynamic_cast<CStep*>(object.get());
        if (step == nullptr) {
            ar.Fail();
            break;
        }
        object.release();
        AppendStep(std::unique_ptr<CStep>(step));
    }
    settings_.ccInputs.Serialize(ar);
    settings_.ccOutputs.Serialize(ar);
    settings_.timerStart = ar.Reader().ReadU32();
    settings_.timerPeriod = ar.Reader().ReadU32();
    settings_.repeatCount = ar.Reader().ReadU32();
    settings_.timerEnabled = calarchive::ReadFlag(ar);
}

std::string CSequence::GetText(unsigned flags) const {
    DataGuard guard;
    const std::string name = GetName();
    if ((flags & textflag::kScript) == 0) {
        const std::size_t count = steps_.size();
        std::string text = name + ", " + std::to_string(count) + " " +
                           std::string(MessageText(count == 1 ? calmsg::kStepSingular : calmsg::kStepPlural));
        if (settings_.repeatCount == 0)
            text += MessageText(calmsg::kRunUntilHalted);
        else if (settings_.repeatCount >= 2)
            text += FormatMessage(calmsg::kRunTimes, settings_.repeatCount);
        return text;
    }
    const std::uint32_t period = settings_.timerPeriod;
    char delta[40];
    std::snprintf(delta, sizeof delta, "%03u:%02u:%02u", period / 86400, period % 86400 / 3600,
                  period % 3600 / 60);
    std::string text = "  SEQBEGIN\r\n";
    text += "    NAME \"" + name + "\"\r\n";
    text += "    REPEATCOUNT " + std::to_string(settings_.repeatCount) + "\r\n";
    text += "    CCINPUT " + settings_.ccInputs.Text(BinaryValue::kContactClosureWidth, true) + "\r\n";
    text += "    CCOUTPUT " + settings_.ccOutputs.Text(BinaryValue::kContactClosureWidth, true) + "\r\n";
    text += settings_.timerEnabled ? "    TIMER ENABLED\r\n" : "    TIMER DISABLED\r\n";
    text += "    TIMERSTART " + DateTime::FromSeconds(settings_.timerStart).Format("%m/%d/%Y %H:%M") + "\r\n";
    text += std::string("    TIMERDELTA ") + delta + "\r\n";
    if (!steps_.empty()) {
        text += "    STEPBEGIN\r\n";
        for (const auto& item : steps_)
            text += "      " + static_cast<const CStep&>(*item).GetText(flags) + "\r\n";
        text += "    STEPEND\r\n";
    }
    text += "  SEQEND\r\n";
    return text;
}

bool CSequence::ReadScript(TokenStream& ts) {
    if (ts.GetTokenKind() != tok::SEQBEGIN)
        return Fail(ts);
    SequenceSettings settings = GetSettings();
    std::string name = GetName();
    std::int32_t value = 0;
    ts.NextToken();
    for (;;) {
        switch (ts.GetTokenKind()) {
            case tok::NAME:
                if (ts.NextToken() != kTokenString)
                    return Fail(ts);
                name = ts.GetTokenText();
                ts.NextToken();
                break;
            case tok::REPEATCOUNT:
                if (!NextInteger(ts, value))
                    return false;
                // Out of range fails the load but reading goes on, so later errors are found too.
                if (value >= 0 && static_cast<std::uint32_t>(value) <= kMaxRepeatCount)
                    settings.repeatCount = static_cast<std::uint32_t>(value);
                else
                    ts.RecordError();
                ts.NextToken();
                break;
            case tok::CCINPUT:
                ts.NextToken();
                if (!settings.ccInputs.Read(ts, BinaryValue::kContactClosureWidth))
                    return false;
                break;
            case tok::CCOUTPUT:
                ts.NextToken();
                if (!settings.ccOutputs.Read(ts, BinaryValue::kContactClosureWidth))
                    return false;
                break;
            case tok::TIMER: {
                const int state = ts.NextToken();
                if (state != tok::ENABLED && state != tok::DISABLED)
                    return Fail(ts);
                settings.timerEnabled = state == tok::ENABLED;
                ts.NextToken();
                break;
            }
            case tok::TIMERSTART:
                if (!ReadTimerStart(ts, settings))
                    return false;
                break;
            case tok::TIMERDELTA:
                if (!ReadTimerDelta(ts, settings))
                    return false;
                break;
            case tok::STEPBEGIN:
                if (!ReadSteps(ts))
                    return false;
                break;
            case tok::SEQEND:
                ts.NextToken();
                SetName(name);
                SetSettings(settings);
                return true;
            default:
                return Fail(ts);
        }
    }
}

bool CSequence::ReadTimerStart(TokenStream& ts, SequenceSettings& settings) {
    std::int32_t month = 0, day = 0, year = 0, hour = 0, minute = 0;
    if (!NextInteger(ts, month) || !NextIs(ts, tok::kSlash) || !NextInteger(ts, day) ||
        !NextIs(ts, tok::kSlash) || !NextInteger(ts, year) || !NextInteger(ts, hour) ||
        !NextIs(ts, tok::kColon) || !NextInteger(ts, minute)) {
        return false;
    }
    ts.NextToken();
    const DateTime start = DateTime::FromElements(year, month, day, hour, minute, 0);
    if (!start.valid())
        return Fail(ts);
    settings.timerStart = start.seconds();
    return true;
}

bool CSequence::ReadTimerDelta(TokenStream& ts, SequenceSettings& settings) {
    std::int32_t days = 0, hours = 0, minutes = 0;
    if (!NextInteger(ts, days))
        return false;
    if (days < 0 || days > 366)
        return Fail(ts);
    if (!NextIs(ts, tok::kColon) || !NextInteger(ts, hours))
        return false;
    if (hours < 0 || hours > 23)
        return Fail(ts);
    if (!NextIs(ts, tok::kColon) || !NextInteger(ts, minutes))
        return false;
    if (minutes < 0 || minutes > 59)
        return Fail(ts);
    ts.NextToken();
    settings.timerPeriod = static_cast<std::uint32_t>(((days * 24 + hours) * 60 + minutes) * 60);
    return true;
}

bool CSequence::ReadSteps(TokenStream& ts) {
    ts.NextToken();
    DeleteAllSteps();
    while (ts.GetTokenKind() != tok::STEPEND) {
        StepKind kind;
        if (!StepKindOfToken(ts.GetTokenKind(), kind))
            return Fail(ts);
        std::unique_ptr<CStep> step = CreateStep(kind);
        step->SetSequence(this);
        if (!step->ReadScript(ts))
            return false;
        AppendStep(std::move(step));
    }
    ts.NextToken();
    return true;
}

ICalibratorInstrument* CSequence::GetInstrument() const {
    DataGuard guard;
    return instrument_;
}

void CSequence::SetInstrument(ICalibratorInstrument* instrument) {
    DataGuard guard;
    instrument_ = instrument;
}

SequenceSettings CSequence::GetSettings() const {
    DataGuard guard;
    return settings_;
}

void CSequence::SetSettings(const SequenceSettings& settings) {
    DataGuard guard;
    settings_ = settings;
}

bool CSequence::IsExpanded() const {
    DataGuard guard;
    return expanded_;
}

void CSequence::SetExpanded(bool expanded) {
    DataGuard guard;
    expanded_ = expanded;
}

std::size_t CSequence::GetStepCount() const {
    DataGuard guard;
    return steps_.size();
}

CStep* CSequence::GetStep(std::size_t index) const {
    DataGuard guard;
    return index < steps_.size() ? static_cast<CStep*>(steps_.at(index)) : nullptr;
}

bool CSequence::CanAddStep() const {
    return GetStepCount() < kMaxSteps;
}

void CSequence::AppendStep(std::unique_ptr<CStep> step) {
    DataGuard guard;
    InsertStep(steps_.size(), std::move(step));
}

void CSequence::InsertStep(std::size_t index, std::unique_ptr<CStep> step) {
    if (!step)
        return;
    DataGuard guard;
    step->SetSequence(this);
    steps_.Insert(index, std::move(step));
}

std::unique_ptr<CStep> CSequence::RemoveStep(const CStep* step) {
    DataGuard guard;
    std::unique_ptr<CNamedObject> removed = steps_.Remove(step);
    auto* owned = static_cast<CStep*>(removed.release());
    if (owned != nullptr)
        owned->SetSequence(nullptr);
    return std::unique_ptr<CStep>(owned);
}

bool CSequence::MoveStep(const CStep* step, int direction) {
    DataGuard guard;
    const std::size_t index = steps_.IndexOf(step);
    if (index >= steps_.size() || direction == 0)
        return false;
    const std::size_t target = direction < 0 ? index - 1 : index + 1;
    if ((direction < 0 && index == 0) || target >= steps_.size())
        return false;
    std::unique_ptr<CNamedObject> moved = steps_.Remove(step);
    steps_.Insert(target, std::move(moved));
    return true;
}

void CSequence::DeleteAllSteps() {
    DataGuard guard;
    steps_.DeleteAll();
}

std::size_t CSequence::IndexOfStep(const CStep* step) const {
    DataGuard guard;
    return steps_.IndexOf(step);
}

}  // namespace talven
