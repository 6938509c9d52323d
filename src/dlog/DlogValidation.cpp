#include "dlog/DlogValidation.h"

#include <cctype>

#include "dlog/DASChannel.h"
#include "dlog/DASEvent.h"
#include "dlog/DataRecord.h"
#include "dlog/DlogInstrument.h"
#include "foundation/DataLock.h"
#include "foundation/EString.h"
#include "foundation/Messages.h"
#include "foundation/UserPrompt.h"

namespace talven {

namespace {

bool IsNameCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

void ShowError(const std::string& text) {
    GetUserPrompt().MessageBox(text, FormatMessage(msg::kCaptionError), mb::kIconWarning);
}

bool AskYesNo(const std::string& text, int caption) {
    return GetUserPrompt().MessageBox(text, FormatMessage(caption),
                                      mb::kYesNo | mb::kIconQuestion | mb::kDefaultButton2) == mb::kIdYes;
}

bool YearSupported(const std::optional<DateTime>& date) {
    return date && date->valid() && date->year() >= DateTime::kFirstYear &&
           date->year() <= DateTime::kLastYear;
}

}  // namespace

PeriodFields SplitPeriod(std::uint32_t seconds) {
    const TimeSpan span = TimeSpan::FromSeconds(seconds);
    return {std::min<std::uint32_t>(span.days, 366), span.hours, span.minutes};
}

std::uint32_t PeriodSeconds(const PeriodFields& f) {
    return TimeSpan::FromElements(f.days, f.hours, f.minutes, 0).total;
}

bool IsValidChannelName(const std::string& name, IDlogInstrument& instrument, const CDASChannel* self) {
    if (name.empty())
        return false;
    for (char c : name) {
        if (!IsNameCharacter(c))
            return false;
    }
    DataGuard guard;
    for (const auto& item : instrument.DlogChannels()) {
        if (item.get() != self && EqualsNoCase(item->GetName(), name))
            return false;
    }
    return true;
}

bool CheckChannelBasicPage(const std::string& name, IDlogInstrument& instrument, const CDASChannel* self,
                           std::uint32_t samplePeriod, std::uint32_t reportPeriod) {
    bool ok = true;
    if (!IsValidChannelName(name, instrument, self)) {
        ShowError(FormatMessage(msg::kInvalidChannelName));
        ok = false;
    }
    if (samplePeriod == 0 || reportPeriod == 0) {
        ShowError(FormatMessage(msg::kPeriodsMustBePositive));
        ok = false;
    }
    return ok;
}

bool CheckChannelAdvancedPage(bool autoDownload, const std::string& downloadFile,
                              std::uint32_t downloadPeriod) {
    if (autoDownload && downloadFile.empty() &&
        AskYesNo(FormatMessage(msg::kNoDownloadFileName), msg::kCaptionWarning))
        return false;
    if (downloadPeriod == 0) {
        ShowError(FormatMessage(msg::kDownloadPeriodMustBePositive));
        return false;
    }
    return true;
}

void ApplyChannelAdvancedPage(CDASChannel& channel, const AdvancedPageValues& values) {
    DataGuard guard;
    if (values.autoDownload != channel.IsSelected())
        channel.SetSelected(values.autoDownload);
    channel.SetDownloadPeriod(values.downloadPeriod);
    channel.SetDownloadFile(values.downloadFile);
    channel.SetAppend(values.append);
}

std::string LastDownloadText(const CDASChannel& channel, const DateFormatSlots& formats) {
    if (!channel.GetDownloadedBefore())
        return {};
    return channel.GetLastDownload().Format(formats.Slot(DateFormatSlots::kLastDownload));
}

bool CheckBetweenDates(const std::optional<DateTime>& from, const std::optional<DateTime>& to) {
    bool ok = true;
    const auto yearOf = [](const std::optional<DateTime>& d) { return d ? d->year() : -1; };
    if (!YearSupported(from)) {
        ShowError(FormatMessage(msg::kStartingYearUnsupported, yearOf(from), DateTime::kFirstYear,
                                DateTime::kLastYear));
        ok = false;
    }
    if (!YearSupported(to)) {
        ShowError(FormatMessage(msg::kEndingYearUnsupported, yearOf(to), DateTime::kFirstYear,
                                DateTime::kLastYear));
        ok = false;
    }
    if (ok && *to < *from)
        ok = AskYesNo(FormatMessage(msg::kEndBeforeStart), msg::kCaptionConfirm);
    return ok;
}

std::vector<std::string> OfferedPoints(IDlogInstrument& instrument) {
    DataGuard guard;
    std::vector<std::string> texts;
    for (const auto& item : instrument.DlogPoints()) {
        auto* point = dynamic_cast<CDASPoint*>(item.get());
        if (point && (point->GetLevel() == dlevel::kLow || point->GetLevel() == dlevel::kMed))
            texts.push_back(point->GetDisplayText());
    }
    return texts;
}

std::vector<std::string> OfferedSampleModes(IDlogInstrument& instrument) {
    std::vector<std::string> modes = {"INST", "AVG"};
    if (HasCapability(instrument, capability::kSdev))
        modes.push_back("SDEV");
    modes.push_back("MIN");
    modes.push_back("MAX");
    return modes;
}

bool StoreSamplesOffered(IDlogInstrument& instrument) {
    return HasCapability(instrument, capability::kNewDlog);
}

std::string ParameterNameFromDisplayText(const std::string& text) {
    std::size_t end = 0;
    while (end < text.size() && IsNameCharacter(text[end]))
        ++end;
    return text.substr(0, end);
}

void MarkDlogEdited(IDlogInstrument& instrument) {
    DataGuard guard;
    instrument.SetDlogModified(true);
    instrument.MarkNetworkModified();
}

CDASChannel* DuplicateChannel(IDlogInstrument& instrument, const CDASChannel& channel) {
    DataGuard guard;
    if (!HasChannelRoom(instrument))
        return nullptr;
    std::unique_ptr<CNamedObject> copy = channel.Clone();
    copy->SetName(FormatMessage(msg::kCopyOf) + channel.GetName());
    auto* result = static_cast<CDASChannel*>(copy.get());
    instrument.DlogChannels().Append(std::move(copy));
    MarkDlogEdited(instrument);
    return result;
}

CDASParameter* DuplicateParameter(IDlogInstrument& instrument, CDASChannel& channel,
                                  const CDASParameter& parameter) {
    DataGuard guard;
    if (!channel.HasParameterRoom())
        return nullptr;
    std::unique_ptr<CNamedObject> copy = parameter.Clone();
    auto* result = static_cast<CDASParameter*>(copy.get());
    copy.release();
    channel.AppendParameter(std::unique_ptr<CDASParameter>(result));
    MarkDlogEdited(instrument);
    return result;
}

}  // namespace talven
