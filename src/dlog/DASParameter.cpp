#include "dlog/DASParameter.h"

#include "dlog/DASChannel.h"
#include "dlog/DASEvent.h"
#include "dlog/DlogInstrument.h"
#include "dlog/ScriptTokens.h"
#include "dlog/TextFormat.h"
#include "foundation/DataLock.h"
#include "foundation/Messages.h"
#include "text/InstrumentTokenStream.h"

namespace talven {

namespace {

using scripttok::Expect;
using scripttok::Refuse;

bool IsSampleModeToken(int kind) {
    return kind == tok::INST || kind == tok::AVG || kind == tok::SDEV || kind == tok::MIN || kind == tok::MAX;
}

}  // namespace

CParameter::CParameter(const CParameter& other) : CNamedObject(other) {
    DataGuard guard;
    units_ = other.units_;
    records_ = other.records_;
    setNumber_ = other.setNumber_;
    selected_ = other.selected_;
}

void CParameter::Serialize(ObjectArchive& ar) {
    CNamedObject::Serialize(ar);
    DataGuard guard;
    if (ar.IsStoring()) {
        ar.Writer().WriteString(units_);
        ar.Writer().WriteBool(selected_);
    } else {
        units_ = ar.Reader().ReadString();
        selected_ = ar.Reader().ReadBool();
    }
}

std::string CParameter::GetUnits() const {
    DataGuard guard;
    return units_;
}

void CParameter::SetUnits(std::string units) {
    DataGuard guard;
    units_ = std::move(units);
}

std::uint32_t CParameter::GetSetNumber() const {
    DataGuard guard;
    return setNumber_;
}

void CParameter::SetSetNumber(std::uint32_t set) {
    DataGuard guard;
    setNumber_ = set;
}

bool CParameter::IsSelected() const {
    DataGuard guard;
    return selected_;
}

void CParameter::SetSelected(bool selected) {
    DataGuard guard;
    selected_ = selected;
}

std::size_t CParameter::GetRecordCount() const {
    DataGuard guard;
    return records_.size();
}

void CParameter::ClearRecords() {
    DataGuard guard;
    std::vector<CDataRecord>().swap(records_);
}

void CDASParameter::Serialize(ObjectArchive& ar) {
    CParameter::Serialize(ar);
    DataGuard guard;
    if (ar.IsStoring()) {
        ar.Writer().WriteString(sampleMode_);
        ar.Writer().WriteI32(precision_);
        ar.Writer().WriteBool(storeInEffect_);
        ar.Writer().WriteBool(storeConfigured_);
    } else {
        sampleMode_ = ar.Reader().ReadString();
        precision_ = ar.Reader().ReadI32();
        storeInEffect_ = ar.Reader().ReadBool();
        storeConfigured_ = ar.Reader().ReadBool();
    }
}

std::unique_ptr<CNamedObject> CDASParameter::Clone() const {
    DataGuard guard;
    return std::unique_ptr<CNamedObject>(new CDASParameter(*this));
}

CDASChannel* CDASParameter::GetOwner() const {
    DataGuard guard;
    return owner_;
}

void CDASParameter::SetOwner(CDASChannel* owner) {
    DataGuard guard;
    owner_ = owner;
}

std::string CDASParameter::GetSampleMode() const {
    DataGuard guard;
    return sampleMode_;
}

void CDASParameter::SetSampleMode(std::string mode) {
    DataGuard guard;
    sampleMode_ = std::move(mode);
}

std::int32_t CDASParameter::GetPrecision() const {
    DataGuard guard;
    return precision_;
}

void CDASParameter::SetPrecision(std::int32_t precision) {
    DataGuard guard;
    precision_ = precision;
}

bool CDASParameter::GetStoreSamplesInEffect() const {
    DataGuard guard;
    return storeInEffect_;
}

void CDASParameter::SetStoreSamplesInEffect(bool on) {
    DataGuard guard;
    storeInEffect_ = on;
}

bool CDASParameter::GetStoreSamplesConfigured() const {
    DataGuard guard;
    return storeConfigured_;
}

void CDASParameter::SetStoreSamplesConfigured(bool on) {
    DataGuard guard;
    storeConfigured_ = on;
}

bool CDASParameter::CountsAsSelected() const {
    DataGuard guard;
    return IsSelected() || (owner_ && owner_->IsSelected());
}

std::string CDASParameter::GetText(unsigned flags) const {
    DataGuard guard;
    if (flags & dlogform::kScript) {
        std::string text;
        AppendFormat(text, "      parameter \"%s\" %s %d", GetName().c_str(), sampleMode_.c_str(),
                     precision_);
        IDlogInstrument* instrument = owner_ ? owner_->GetInstrument() : nullptr;
        if (storeConfigured_ && instrument && HasCapability(*instrument, capability::kNewDlog))
            text += " storesamples";
        return text;
    }
    const MessageArg args[] = {NameWithUnits(GetName(), GetUnits()), sampleMode_,
                               static_cast<long>(GetSetNumber()), static_cast<long>(GetRecordCount())};
    return FormatText(MessageText(msg::kParameterLabel), args, 4);
}

bool CDASParameter::ReadScript(TokenStream& stream, unsigned flags) {
    const bool ok = (flags & dlogform::kScript) ? ReadScriptForm(stream) : ReadReportForm(stream);
    if (ok)
        TakeUnitsFromPoint();
    return ok;
}

bool CDASParameter::ReadScriptForm(TokenStream& s) {
    if (s.GetTokenKind() != tok::PARAMETER)
        return Refuse(s);
    if (!Expect(s, kTokenString))
        return false;
    SetName(s.GetTokenText());
    if (!IsSampleModeToken(s.NextToken()))
        return Refuse(s);
    SetSampleMode(s.GetTokenText());
    if (!Expect(s, kTokenInteger))
        return false;
    SetPrecision(s.GetIntegerValue());
    const bool store = s.NextToken() == tok::STORESAMPLES;
    if (store)
        s.NextToken();
    SetStoreSamplesConfigured(store);
    SetStoreSamplesInEffect(store);
    return true;
}

bool CDASParameter::ReadReportForm(TokenStream& s) {
    if (s.GetTokenKind() != tok::PARAMETER)
        return Refuse(s);
    if (!Expect(s, tok::kEquals))
        return false;
    if (!scripttok::IsPrintedName(s.NextToken()))
        return Refuse(s);
    SetName(s.GetTokenText());
    if (!Expect(s, tok::kComma) || !Expect(s, tok::MODE) || !Expect(s, tok::kEquals))
        return false;
    if (!IsSampleModeToken(s.NextToken()))
        return Refuse(s);
    SetSampleMode(s.GetTokenText());
    if (!Expect(s, tok::kComma) || !Expect(s, tok::PRECISION) || !Expect(s, tok::kEquals) ||
        !Expect(s, kTokenInteger))
        return false;
    SetPrecision(s.GetIntegerValue());
    bool store = false;
    if (s.NextToken() == tok::kComma) {
        if (s.NextToken() == tok::STORE_SAMPLES) {
            if (!Expect(s, tok::kEquals))
                return false;
            const int value = s.NextToken();
            if (value != tok::ON && value != tok::OFF)
                return Refuse(s);
            store = value == tok::ON;
        }
        s.ReadRestOfLine();
        s.NextToken();
    }
    SetStoreSamplesConfigured(store);
    SetStoreSamplesInEffect(store);
    return true;
}

void CDASParameter::TakeUnitsFromPoint() {
    DataGuard guard;
    IDlogInstrument* instrument = owner_ ? owner_->GetInstrument() : nullptr;
    if (!instrument)
        return;
    if (auto* point = dynamic_cast<CDASPoint*>(instrument->DlogPoints().FindByName(GetName())))
        SetUnits(point->GetUnits());
}

}  // namespace talven
