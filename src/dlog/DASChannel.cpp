#include "dlog/DASChannel.h"

#include <algorithm>

#include "dlog/DASEvent.h"
#include "dlog/DlogInstrument.h"
#include "dlog/ScriptTokens.h"
#include "dlog/TextFormat.h"
#include "foundation/DataLock.h"
#include "foundation/EString.h"
#include "foundation/Messages.h"
#include "network/ClassRegistry.h"
#include "network/ObjectArchiveFile.h"
#include "text/InstrumentTokenStream.h"

namespace talven {

namespace {

using scripttok::Expect;
using scripttok::Refuse;

// Advances to an integer within [low, high].
bool ExpectInteger(TokenStream& s, std::int32_t low, std::int32_t high, std::int32_t& value) {
    if (!Expect(s, kTokenInteger))
        return false;
    value = s.GetIntegerValue();
    return (value >= low && value <= high) || Refuse(s);
}

// days ":" hours ":" minutes, after the item's keyword or label.
bool ReadPeriod(TokenStream& s, std::uint32_t& seconds) {
    std::int32_t d = 0, h = 0, m = 0;
    if (!ExpectInteger(s, 0, 366, d) || !Expect(s, tok::kColon) || !ExpectInteger(s, 0, 23, h) ||
        !Expect(s, tok::kColon) || !ExpectInteger(s, 0, 59, m))
        return false;
    seconds = TimeSpan::FromElements(static_cast<std::uint32_t>(d), static_cast<std::uint32_t>(h),
                                     static_cast<std::uint32_t>(m), 0)
                  .total;
    return true;
}

// A day at 00:00:00; a date the calendar cannot hold is refused at the current (year) token.
bool MakeDate(TokenStream& s, std::int32_t year, std::int32_t month, std::int32_t day, std::uint32_t& out) {
    const DateTime date = DateTime::FromElements(year, month, day, 0, 0, 0);
    if (!date.valid())
        return Refuse(s);
    out = date.seconds();
    return true;
}

const char* EnabledWord(bool on) {
    return on ? "enabled" : "disabled";
}

std::uint32_t StartOfThisYear() {
    return DateTime::FromElements(DateTime::Now().year(), 1, 1, 0, 0, 0).seconds();
}

}  // namespace

CSelectionSet::CSelectionSet() {
    const std::uint32_t now = DateTime::Now().seconds();
    from = now;
    to = now;
}

void CSelectionSet::Serialize(ObjectArchive& ar) {
    DataGuard guard;
    SerializeField(ar, mode);
    SerializeField(ar, from);
    SerializeField(ar, to);
    for (std::int32_t* count : {&records, &hours, &days, &weeks, &months})
        SerializeField(ar, *count);
    SerializeField(ar, useInstrumentSelection);
}

CDASChannel::CDASChannel(IDlogInstrument* instrument) : instrument_(instrument) {
    settings_.startDate = StartOfThisYear();
}

void CDASChannel::Serialize(ObjectArchive& ar) {
    CNamedObject::Serialize(ar);
    DataGuard guard;
    if (ar.IsStoring()) {
        WriteObjectList(ar, parameters_);
    } else {
        CNamedObjectList loaded;
        if (!ReadObjectList(ar, loaded))
            return;
        for (const auto& item : loaded) {
            if (!dynamic_cast<CDASParameter*>(item.get())) {
                ar.Fail();
                return;
            }
        }
        parameters_.swap(loaded);
        for (const auto& item : parameters_)
            static_cast<CDASParameter*>(item.get())->SetOwner(this);
    }
    DlogChannelSettings& s = settings_;
    s.downloadSelection.Serialize(ar);
    for (std::string* text : {&s.event, &s.fileName, &s.downloadFile})
        SerializeField(ar, *text);
    SerializeField(ar, s.recordCount);
    for (std::uint32_t* value :
         {&s.startDate, &s.samplePeriod, &s.reportPeriod, &s.lastDownload, &s.downloadPeriod})
        SerializeField(ar, *value);
    for (bool* flag : {&s.report, &s.compact, &s.enabled, &s.holdOff, &s.downloadedBefore, &s.append,
                       &s.selected, &s.expanded})
        SerializeField(ar, *flag);
    activeSelection_ = &s.downloadSelection;
}

std::unique_ptr<CNamedObject> CDASChannel::Clone() const {
    DataGuard guard;
    auto copy = std::make_unique<CDASChannel>(instrument_);
    copy->SetName(GetName());
    copy->SetId(GetId());
    for (const auto& item : parameters_) {
        std::unique_ptr<CNamedObject> p = item->Clone();
        copy->AppendParameter(std::unique_ptr<CDASParameter>(static_cast<CDASParameter*>(p.release())));
    }
    copy->settings_ = settings_;
    copy->downloadedAt_ = downloadedAt_;
    return copy;
}

// ---- text forms ----

std::string CDASChannel::GetText(unsigned flags) const {
    if (flags & dlogform::kScript)
        return GetScriptText();
    if (flags & dlogform::kReport)
        return GetReportText();
    DataGuard guard;
    return FormatMessage(msg::kChannelLabel, GetName(), settings_.event,
                         static_cast<long>(settings_.recordCount));
}

bool CDASChannel::HasTimerEvent() const {
    DataGuard guard;
    if (!instrument_)
        return false;
    auto* event = dynamic_cast<CDASEvent*>(instrument_->DlogEvents().FindByName(settings_.event));
    return event && event->IsTimer();
}

std::string CDASChannel::GetScriptText() const {
    DataGuard guard;
    std::string text;
    AppendFormat(text, "  channelbegin\r\n    name \"%s\"\r\n    event \"%s\"\r\n", GetName().c_str(),
                 settings_.event.c_str());
    if (HasTimerEvent()) {
        const DateTime start = DateTime::FromSeconds(settings_.startDate);
        const TimeSpan sample = TimeSpan::FromSeconds(settings_.samplePeriod);
        const TimeSpan report = TimeSpan::FromSeconds(settings_.reportPeriod);
        AppendFormat(text,
                     "    startdate %d/%d/%d\r\n    sampleperiod %03d:%02d:%02d\r\n"
                     "    reportperiod %03d:%02d:%02d\r\n",
                     start.month(), start.day(), start.year(), static_cast<int>(sample.days),
                     static_cast<int>(sample.hours), static_cast<int>(sample.minutes),
                     static_cast<int>(report.days), static_cast<int>(report.hours),
                     static_cast<int>(report.minutes));
    }
    AppendFormat(text,
                 "    records %ld\r\n    report %s\r\n    compact %s\r\n    status %s\r\n    holdoff %s\r\n"
                 "    paramlistbegin\r\n",
                 static_cast<long>(settings_.recordCount), EnabledWord(settings_.report),
                 EnabledWord(settings_.compact), EnabledWord(settings_.enabled),
                 EnabledWord(settings_.holdOff));
    for (const auto& item : parameters_) {
        text += static_cast<const CDASParameter*>(item.get())->GetText(dlogform::kScript);
        text += "\r\n";
    }
    text += "    paramlistend\r\n  channelend\r\n";
    return text;
}

std::string CDASChannel::GetReportText() const {
    DataGuard guard;
    std::string text;
    AppendFormat(text,
                 "NAME:              \"%s\"\r\nEVENT:             \"%s\"\r\nSTARTING DATE:     %lu\r\n"
                 "SAMPLE PERIOD:     %lu\r\nREPORT PERIOD:     %lu\r\nNUMBER OF RECORDS: %ld\r\n"
                 "FILE NAME:         \"%s\"\r\nRS-232 REPORT:     %d\r\nCOMPACT REPORT:    %d\r\n"
                 "CHANNEL ENABLED:   %d\r\nCAL. HOLD OFF:     %d\r\nPARAMETERS:        %d\r\n",
                 GetName().c_str(), settings_.event.c_str(), static_cast<unsigned long>(settings_.startDate),
                 static_cast<unsigned long>(settings_.samplePeriod),
                 static_cast<unsigned long>(settings_.reportPeriod), static_cast<long>(settings_.recordCount),
                 settings_.fileName.c_str(), settings_.report ? 1 : 0, settings_.compact ? 1 : 0,
                 settings_.enabled ? 1 : 0, settings_.holdOff ? 1 : 0, static_cast<int>(parameters_.size()));
    for (const auto& item : parameters_) {
        text += static_cast<const CDASParameter*>(item.get())->GetText(0);
        text += "\r\n";
    }
    return text;
}

bool CDASChannel::ReadScript(TokenStream& stream, unsigned flags) {
    return (flags & dlogform::kScript) ? ReadScriptForm(stream) : ReadReportForm(stream);
}

bool CDASChannel::ReadScriptForm(TokenStream& s) {
    if (s.GetTokenKind() != tok::CHANNELBEGIN)
        return Refuse(s);
    s.NextToken();
    for (;;) {
        const int item = s.GetTokenKind();
        switch (item) {
            case tok::RECORDS: {
                if (!Expect(s, kTokenInteger))
                    return false;
                SetRecordCount(s.GetIntegerValue());
                break;
            }
            case tok::NAME:
            case tok::EVENT:
            case tok::FILE: {
                if (!Expect(s, kTokenString))
                    return false;
                if (item == tok::NAME)
                    SetName(s.GetTokenText());
                if (item == tok::EVENT)
                    SetEvent(s.GetTokenText());
                if (item == tok::FILE)
                    SetFileName(s.GetTokenText());
                break;
            }
            case tok::STARTDATE: {
                std::int32_t month = 0, day = 0, year = 0;
                std::uint32_t date = 0;
                if (!ExpectInteger(s, 1, 12, month) || !Expect(s, tok::kSlash) ||
                    !ExpectInteger(s, 1, 31, day) || !Expect(s, tok::kSlash) || !Expect(s, kTokenInteger))
                    return false;
                year = s.GetIntegerValue();
                if (!MakeDate(s, year, month, day, date))
                    return false;
                SetStartDate(DateTime::FromSeconds(date));
                break;
            }
            case tok::SAMPLEPERIOD:
            case tok::REPORTPERIOD: {
                std::uint32_t seconds = 0;
                if (!ReadPeriod(s, seconds))
                    return false;
                item == tok::SAMPLEPERIOD ? SetSamplePeriod(seconds) : SetReportPeriod(seconds);
                break;
            }
            case tok::REPORT:
            case tok::COMPACT:
            case tok::STATUS:
            case tok::HOLDOFF: {
                const int value = s.NextToken();
                if (value != tok::ENABLED && value != tok::DISABLED)
                    return Refuse(s);
                const bool on = value == tok::ENABLED;
                if (item == tok::REPORT)
                    SetReport(on);
                if (item == tok::COMPACT)
                    SetCompact(on);
                if (item == tok::STATUS)
                    SetEnabled(on);
                if (item == tok::HOLDOFF)
                    SetHoldOff(on);
                break;
            }
            case tok::PARAMLISTBEGIN: {
                {
                    DataGuard guard;
                    parameters_.DeleteAll();
                }
                s.NextToken();
                while (s.GetTokenKind() == tok::PARAMETER) {
                    auto parameter = std::make_unique<CDASParameter>(this);
                    if (!parameter->ReadScript(s, dlogform::kScript))
                        return false;
                    AppendParameter(std::move(parameter));
                }
                if (s.GetTokenKind() != tok::PARAMLISTEND)
                    return Refuse(s);
                break;
            }
            case tok::CHANNELEND:
                s.NextToken();
                return true;
            default:
                return Refuse(s);
        }
        s.NextToken();
    }
}

bool CDASChannel::ReadReportForm(TokenStream& s) {
    for (;;) {
        const int item = s.GetTokenKind();
        switch (item) {
            case tok::kSetupPropertiesFor:
            case tok::kNameLabel: {
                if (!scripttok::IsPrintedName(s.NextToken()))
                    return Refuse(s);
                SetName(s.GetTokenText());
                if (s.NextToken() == tok::kColon)
                    s.NextToken();
                continue;
            }
            case tok::kEventLabel: {
                if (!scripttok::IsPrintedName(s.NextToken()))
                    return Refuse(s);
                SetEvent(s.GetTokenText());
                break;
            }
            case tok::kStartingDateLabel: {
                // "01-JAN-2024": the dashes are read where a minus sign cannot start a number.
                std::int32_t day = 0;
                std::uint32_t date = 0;
                if (!ExpectInteger(s, 1, 31, day) || !Expect(s, tok::kMinus, kModeNoSign))
                    return false;
                const int month = s.NextToken();
                if (month < tok::JAN || month > tok::DEC)
                    return Refuse(s);
                if (!Expect(s, tok::kMinus, kModeNoSign) || !Expect(s, kTokenInteger))
                    return false;
                if (!MakeDate(s, s.GetIntegerValue(), month - tok::JAN + 1, day, date))
                    return false;
                SetStartDate(DateTime::FromSeconds(date));
                break;
            }
            case tok::kSamplePeriodLabel:
            case tok::kReportPeriodLabel: {
                std::uint32_t seconds = 0;
                if (!ReadPeriod(s, seconds))
                    return false;
                item == tok::kSamplePeriodLabel ? SetSamplePeriod(seconds) : SetReportPeriod(seconds);
                break;
            }
            case tok::kFileNameLabel: {
                s.ReadRestOfLine();
                std::string file = s.GetTokenText();
                file.erase(0, std::min(file.find_first_not_of(" \t"), file.size()));
                // Blanks the instrument pads its columns with are no part of the name either.
                file.erase(std::min(file.find_last_not_of(" \t") + 1, file.size()));
                if (file.empty())
                    return Refuse(s);
                if (file.size() >= 2 && file.front() == '"' && file.back() == '"')
                    file = file.substr(1, file.size() - 2);
                SetFileName(file);
                break;
            }
            case tok::kNumberOfRecordsLabel: {
                if (!Expect(s, kTokenInteger))
                    return false;
                SetRecordCount(s.GetIntegerValue());
                break;
            }
            case tok::kRs232ReportLabel:
            case tok::kCompactReportLabel:
            case tok::kChannelEnabledLabel:
            case tok::kCalHoldOffLabel: {
                const int value = s.NextToken();
                if (value != tok::ON && value != tok::OFF)
                    return Refuse(s);
                const bool on = value == tok::ON;
                if (item == tok::kRs232ReportLabel)
                    SetReport(on);
                if (item == tok::kCompactReportLabel)
                    SetCompact(on);
                if (item == tok::kChannelEnabledLabel)
                    SetEnabled(on);
                if (item == tok::kCalHoldOffLabel)
                    SetHoldOff(on);
                break;
            }
            case tok::kParametersLabel:
                return ReadReportParameters(s);
            default:
                return false;
        }
        s.NextToken();
    }
}

bool CDASChannel::ReadReportParameters(TokenStream& s) {
    if (!Expect(s, kTokenInteger))
        return false;
    const std::int32_t count = s.GetIntegerValue();
    {
        DataGuard guard;
        parameters_.DeleteAll();
    }
    s.NextToken();
    for (std::int32_t i = 0; i < count; ++i) {
        auto parameter = std::make_unique<CDASParameter>(this);
        if (!parameter->ReadScript(s, 0))
            return false;
        AppendParameter(std::move(parameter));
    }
    return true;
}

// ---- accessors ----

IDlogInstrument* CDASChannel::GetInstrument() const {
    DataGuard guard;
    return instrument_;
}

void CDASChannel::SetInstrument(IDlogInstrument* instrument) {
    DataGuard guard;
    instrument_ = instrument;
}

void CDASChannel::AppendParameter(std::unique_ptr<CDASParameter> parameter) {
    DataGuard guard;
    parameter->SetOwner(this);
    parameters_.Append(std::move(parameter));
}

#define TALVEN_CHANNEL_FIELD(Type, Get, Set, field) \
    Type CDASChannel::Get() const {                 \
        DataGuard guard;                            \
        return field;                               \
    }                                               \
    void CDASChannel::Set(Type value) {             \
        DataGuard guard;                            \
        field = std::move(value);                   \
    }

TALVEN_CHANNEL_FIELD(std::string, GetEvent, SetEvent, settings_.event)
TALVEN_CHANNEL_FIELD(std::string, GetFileName, SetFileName, settings_.fileName)
TALVEN_CHANNEL_FIELD(std::int32_t, GetRecordCount, SetRecordCount, settings_.recordCount)
TALVEN_CHANNEL_FIELD(std::uint32_t, GetSamplePeriod, SetSamplePeriod, settings_.samplePeriod)
TALVEN_CHANNEL_FIELD(std::uint32_t, GetReportPeriod, SetReportPeriod, settings_.reportPeriod)
TALVEN_CHANNEL_FIELD(bool, GetReport, SetReport, settings_.report)
TALVEN_CHANNEL_FIELD(bool, GetCompact, SetCompact, settings_.compact)
TALVEN_CHANNEL_FIELD(bool, GetEnabled, SetEnabled, settings_.enabled)
TALVEN_CHANNEL_FIELD(bool, GetHoldOff, SetHoldOff, settings_.holdOff)
TALVEN_CHANNEL_FIELD(std::string, GetDownloadFile, SetDownloadFile, settings_.downloadFile)
TALVEN_CHANNEL_FIELD(std::uint32_t, GetDownloadPeriod, SetDownloadPeriod, settings_.downloadPeriod)
TALVEN_CHANNEL_FIELD(bool, GetDownloadedBefore, SetDownloadedBefore, settings_.downloadedBefore)
TALVEN_CHANNEL_FIELD(bool, GetAppend, SetAppend, settings_.append)
TALVEN_CHANNEL_FIELD(bool, IsExpanded, SetExpanded, settings_.expanded)

#undef TALVEN_CHANNEL_FIELD

DlogChannelSettings CDASChannel::GetSettings() const {
    DataGuard guard;
    return settings_;
}

void CDASChannel::SetSettings(const DlogChannelSettings& settings) {
    DataGuard guard;
    settings_ = settings;
}

DateTime CDASChannel::GetStartDate() const {
    DataGuard guard;
    return DateTime::FromSeconds(settings_.startDate);
}

void CDASChannel::SetStartDate(DateTime start) {
    DataGuard guard;
    settings_.startDate = start.seconds();
}

DateTime CDASChannel::GetLastDownload() const {
    DataGuard guard;
    return DateTime::FromSeconds(settings_.lastDownload);
}

void CDASChannel::SetLastDownload(DateTime when) {
    DataGuard guard;
    settings_.lastDownload = when.seconds();
}

CSelectionSet CDASChannel::GetDownloadSelection() const {
    DataGuard guard;
    return settings_.downloadSelection;
}

void CDASChannel::SetDownloadSelection(const CSelectionSet& selection) {
    DataGuard guard;
    settings_.downloadSelection = selection;
}

CSelectionSet CDASChannel::GetActiveSelection() const {
    DataGuard guard;
    return *activeSelection_;
}

void CDASChannel::SetActiveSelection(const CSelectionSet* selection) {
    DataGuard guard;
    activeSelection_ = selection ? selection : &settings_.downloadSelection;
}

bool CDASChannel::IsSelected() const {
    DataGuard guard;
    return settings_.selected;
}

void CDASChannel::SetSelected(bool selected) {
    DataGuard guard;
    settings_.selected = selected;
    for (const auto& item : parameters_)
        static_cast<CDASParameter*>(item.get())->SetSelected(selected);
}

std::size_t CDASChannel::GetRecordSize() const {
    DataGuard guard;
    std::size_t size = 6;
    for (const auto& item : parameters_)
        size += static_cast<const CDASParameter*>(item.get())->GetStoreSamplesInEffect() ? 8 : 4;
    return size;
}

bool CDASChannel::IsAutoDownloadDue(DateTime now) const {
    DataGuard guard;
    if (!settings_.downloadedBefore)
        return true;
    const std::uint32_t t = now.seconds();
    if (downloadedAt_ != 0)
        return downloadedAt_ > t || t - downloadedAt_ >= settings_.downloadPeriod;
    // The newest record's time stamp is on the instrument's clock: one ahead of the PC's says
    // nothing of how long ago the download was.
    return settings_.lastDownload > t || t - settings_.lastDownload >= settings_.downloadPeriod;
}

DateTime CDASChannel::GetDownloadedAt() const {
    DataGuard guard;
    return downloadedAt_ != 0 ? DateTime::FromSeconds(downloadedAt_) : DateTime();
}

void CDASChannel::SetDownloadedAt(DateTime when) {
    DataGuard guard;
    downloadedAt_ = when.valid() ? when.seconds() : 0;
}

RecordDownloadOutcome CDASChannel::GetDownloadOutcome() const {
    DataGuard guard;
    return outcome_;
}

void CDASChannel::SetDownloadOutcome(const RecordDownloadOutcome& outcome) {
    DataGuard guard;
    outcome_ = outcome;
}

bool CDASChannel::HasParameterRoom() const {
    DataGuard guard;
    return parameters_.size() < kMaxParameters;
}

void CDASChannel::RestoreInEffectFlags() {
    DataGuard guard;
    for (const auto& item : parameters_) {
        auto* p = static_cast<CDASParameter*>(item.get());
        p->SetStoreSamplesInEffect(p->GetStoreSamplesConfigured());
    }
}

void CDASChannel::ClearData() {
    DataGuard guard;
    for (const auto& item : parameters_)
        static_cast<CDASParameter*>(item.get())->ClearRecords();
}

void RegisterDlogArchiveClasses() {
    RegisterArchiveClass("CDASEvent", 1, [] { return std::unique_ptr<SerialObject>(new CDASEvent()); });
    RegisterArchiveClass("CDASPoint", 1, [] { return std::unique_ptr<SerialObject>(new CDASPoint()); });
    RegisterArchiveClass("CDASParameter", 1,
                         [] { return std::unique_ptr<SerialObject>(new CDASParameter()); });
    RegisterArchiveClass("CDASChannel", 1, [] { return std::unique_ptr<SerialObject>(new CDASChannel()); });
}

}  // namespace talven
