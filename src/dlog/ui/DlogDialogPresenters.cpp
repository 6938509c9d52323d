#include "dlog/ui/DlogDialogPresenters.h"

#include <algorithm>

#include "dlog/DASEvent.h"
#include "dlog/DASParameter.h"
#include "dlog/DlogFiles.h"
#include "dlog/DlogInstrument.h"
#include "dlog/DlogMessages.h"
#include "foundation/DataLock.h"
#include "foundation/EString.h"
#include "foundation/Messages.h"
#include "foundation/UserPrompt.h"
#include "session/Capabilities.h"

namespace talven {

namespace {

PeriodFields Clamped(PeriodFields f) {
    return {std::min<std::uint32_t>(f.days, 366), std::min<std::uint32_t>(f.hours, 23),
            std::min<std::uint32_t>(f.minutes, 59)};
}

}  // namespace

DateTimePickers DateTimePickers::Of(DateTime t) {
    DateTimePickers p;
    p.year = t.year();
    p.month = t.month();
    p.day = t.day();
    p.hour = t.hour();
    p.minute = t.minute();
    p.second = t.second();
    return p;
}

std::optional<DateTime> DateTimePickers::Value() const {
    if (!hasDate)
        return std::nullopt;
    // Two-digit years would be read as 19xx or 20xx: a picker's year is always the year itself.
    if (year < 100)
        return DateTime::FromElements(-1, month, day, hour, minute, second);
    return DateTime::FromElements(year, month, day, hour, minute, second);
}

// --- Channel property sheet -------------------------------------------------------------------------

DlogChannelSheetPresenter::DlogChannelSheetPresenter(IDlogInstrument& instrument, CDASChannel& channel,
                                                     const DateFormatSlots& formats)
    : instrument_(instrument), channel_(channel), formats_(formats) {
    DataGuard guard;
    const DlogChannelSettings s = channel.GetSettings();
    basic.name = channel.GetName();
    basic.recordCount = std::clamp(s.recordCount, 1, kMaxRecords);
    basic.event = s.event;
    basic.enabled = s.enabled;
    basic.holdOff = s.holdOff;
    basic.report = s.report;
    basic.compact = s.compact;
    basic.start = DateTimePickers::Of(DateTime::FromSeconds(s.startDate));
    basic.samplePeriod = SplitPeriod(s.samplePeriod);
    basic.reportPeriod = SplitPeriod(s.reportPeriod);
    advanced.autoDownload = s.selected;
    advanced.downloadPeriod = SplitPeriod(s.downloadPeriod);
    advanced.selection = s.downloadSelection;
    advanced.downloadFile = s.downloadFile;
    advanced.append = s.append;
}

std::string DlogChannelSheetPresenter::Title() const {
    return FormatMessage(msg::kChannelPropertiesTitle);
}

std::vector<std::string> DlogChannelSheetPresenter::EventNames() const {
    DataGuard guard;
    std::vector<std::string> names;
    for (const auto& item : instrument_.DlogEvents())
        names.push_back(item->GetName());
    return names;
}

bool DlogChannelSheetPresenter::TimerFieldsEnabled() const {
    DataGuard guard;
    auto* event = dynamic_cast<CDASEvent*>(instrument_.DlogEvents().FindByName(basic.event));
    return event != nullptr && event->IsTimer();
}

std::string DlogChannelSheetPresenter::LastDownloadText() const {
    return talven::LastDownloadText(channel_, formats_);
}

bool DlogChannelSheetPresenter::HasFromTo() const {
    return HasCapability(instrument_, capability::kFromTo);
}

void DlogChannelSheetPresenter::SelectFile() {
    FileDialogRequest request;
    request.filter = FormatMessage(msg::kDataFileFilter);
    request.defaultExtension = ".csv";
    request.initialName = advanced.downloadFile.empty() ? ProposeAutoDownloadFileName(instrument_, basic.name)
                                                        : advanced.downloadFile;
    const std::optional<std::string> path = GetUserPrompt().SaveFile(request);
    if (path && !path->empty())
        advanced.downloadFile = path->substr(0, kMaxDownloadFile);
}

bool DlogChannelSheetPresenter::LeaveBasic() {
    // A name longer than the field takes is refused like any other invalid name.
    const std::string name = basic.name.size() > kMaxChannelNameLength ? std::string() : basic.name;
    return CheckChannelBasicPage(name, instrument_, &channel_, PeriodSeconds(Clamped(basic.samplePeriod)),
                                 PeriodSeconds(Clamped(basic.reportPeriod)));
}

bool DlogChannelSheetPresenter::LeaveAdvanced() {
    return CheckChannelAdvancedPage(advanced.autoDownload, advanced.downloadFile,
                                    PeriodSeconds(Clamped(advanced.downloadPeriod)));
}

int DlogChannelSheetPresenter::Accept() {
    if (!LeaveBasic())
        return 0;
    if (!LeaveAdvanced())
        return 1;
    DataGuard guard;
    channel_.SetName(basic.name);
    DlogChannelSettings s = channel_.GetSettings();
    s.event = basic.event;
    s.recordCount = std::clamp(basic.recordCount, 1, kMaxRecords);
    s.enabled = basic.enabled;
    s.holdOff = basic.holdOff;
    s.report = basic.report;
    s.compact = basic.compact;
    // A start outside the supported years keeps the channel's own.
    const std::optional<DateTime> start = basic.start.Value();
    if (start && start->valid())
        s.startDate = start->seconds();
    s.samplePeriod = PeriodSeconds(Clamped(basic.samplePeriod));
    s.reportPeriod = PeriodSeconds(Clamped(basic.reportPeriod));
    s.downloadSelection = advanced.selection;
    channel_.SetSettings(s);
    ApplyChannelAdvancedPage(channel_,
                             {advanced.autoDownload, PeriodSeconds(Clamped(advanced.downloadPeriod)),
                              advanced.downloadFile.substr(0, kMaxDownloadFile), advanced.append});
    return -1;
}

// --- Parameter dialog ----------------------------------------------------------------------------------

DlogParameterPresenter::DlogParameterPresenter(IDlogInstrument& instrument, CDASParameter& parameter)
    : parameter_(parameter),
      points_(OfferedPoints(instrument)),
      modes_(OfferedSampleModes(instrument)),
      storeOffered_(StoreSamplesOffered(instrument)) {
    DataGuard guard;
    const std::string name = parameter.GetName();
    for (std::size_t i = 0; i < points_.size(); ++i) {
        if (ParameterNameFromDisplayText(points_[i]) == name)
            point = static_cast<int>(i);
    }
    const std::string own = parameter.GetSampleMode();
    for (std::size_t i = 0; i < modes_.size(); ++i) {
        if (EqualsNoCase(modes_[i], own))
            mode = static_cast<int>(i);
    }
    if (name.empty() && point < 0 && !points_.empty())
        point = 0;
    if (own.empty() && mode < 0)
        mode = 0;
    precision = std::clamp(parameter.GetPrecision(), 0, kMaxPrecision);
    storeSamples = parameter.GetStoreSamplesConfigured();
}

std::string DlogParameterPresenter::Title() const {
    return FormatMessage(msg::kParameterPropertiesTitle);
}

bool DlogParameterPresenter::CanAccept() const {
    DataGuard guard;
    const bool named =
        (point >= 0 && static_cast<std::size_t>(point) < points_.size()) || !parameter_.GetName().empty();
    const bool moded =
        (mode >= 0 && static_cast<std::size_t>(mode) < modes_.size()) || !parameter_.GetSampleMode().empty();
    return named && moded;
}

bool DlogParameterPresenter::Accept() {
    if (!CanAccept())
        return false;
    DataGuard guard;
    if (point >= 0 && static_cast<std::size_t>(point) < points_.size())
        parameter_.SetName(ParameterNameFromDisplayText(points_[static_cast<std::size_t>(point)]));
    // A mode the list does not hold (SDEV on an instrument without it) is kept as it was read.
    if (mode >= 0 && static_cast<std::size_t>(mode) < modes_.size() &&
        !EqualsNoCase(modes_[static_cast<std::size_t>(mode)], parameter_.GetSampleMode()))
        parameter_.SetSampleMode(modes_[static_cast<std::size_t>(mode)]);
    parameter_.SetPrecision(std::clamp(precision, 0, kMaxPrecision));
    if (storeOffered_)
        parameter_.SetStoreSamplesConfigured(storeSamples);
    return true;
}

// --- Select Records ---------------------------------------------------------------------------------------

SelectRecordsPresenter::Range SelectRecordsPresenter::CountRange(std::int32_t forMode) {
    switch (forMode) {
        case CSelectionSet::kRecentRecords:
            return {1, 10000};
        case CSelectionSet::kRecentHours:
            return {1, 24};
        case CSelectionSet::kRecentDays:
            return {1, 366};
        case CSelectionSet::kRecentWeeks:
            return {1, 52};
        case CSelectionSet::kRecentMonths:
            return {1, 12};
        default:
            return {1, 1};
    }
}

SelectRecordsPresenter::SelectRecordsPresenter(const CSelectionSet& selection, bool hasFromTo)
    : mode(std::clamp(selection.mode, static_cast<std::int32_t>(CSelectionSet::kAll),
                      static_cast<std::int32_t>(CSelectionSet::kBetween))),
      records(selection.records),
      hours(selection.hours),
      days(selection.days),
      weeks(selection.weeks),
      months(selection.months),
      useInstrument(selection.useInstrumentSelection),
      from(DateTimePickers::Of(DateTime::FromSeconds(selection.from))),
      to(DateTimePickers::Of(DateTime::FromSeconds(selection.to))),
      hasFromTo_(hasFromTo) {}

std::string SelectRecordsPresenter::Title() const {
    return FormatMessage(msg::kSelectRecordsTitle);
}

bool SelectRecordsPresenter::Accept(CSelectionSet& selection) {
    const std::optional<DateTime> start = from.Value();
    const std::optional<DateTime> end = to.Value();
    if (mode == CSelectionSet::kBetween && !CheckBetweenDates(start, end))
        return false;
    const auto clamp = [](std::int32_t v, std::int32_t m) {
        const Range r = CountRange(m);
        return std::clamp(v, r.min, r.max);
    };
    selection.mode = mode;
    selection.records = clamp(records, CSelectionSet::kRecentRecords);
    selection.hours = clamp(hours, CSelectionSet::kRecentHours);
    selection.days = clamp(days, CSelectionSet::kRecentDays);
    selection.weeks = clamp(weeks, CSelectionSet::kRecentWeeks);
    selection.months = clamp(months, CSelectionSet::kRecentMonths);
    selection.useInstrumentSelection = useInstrument;
    if (mode == CSelectionSet::kBetween) {
        selection.from = start->seconds();
        selection.to = end->seconds();
    }
    return true;
}

}  // namespace talven
