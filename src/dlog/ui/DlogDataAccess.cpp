#include "dlog/ui/DlogDataAccess.h"

#include <filesystem>

#include "dlog/DASChannel.h"
#include "dlog/DASEvent.h"
#include "dlog/DASParameter.h"
#include "dlog/DlogInstrument.h"
#include "foundation/DataLock.h"
#include "foundation/Messages.h"
#include "foundation/UserPrompt.h"

namespace talven {

bool FirstChannelWithData(IDlogInstrument& instrument, DlogDataSet& out) {
    DataGuard guard;
    for (const auto& item : instrument.DlogChannels()) {
        auto* channel = static_cast<CDASChannel*>(item.get());
        CDataRecordSet set;
        GatherChannel(*channel, set);
        if (set.GetColumnCount() > 0 && set.GetRowCount() > 0) {
            out.channelName = channel->GetName();
            out.set = set;
            return true;
        }
    }
    return false;
}

DlogDataTable::DlogDataTable(const CDataRecordSet& set, bool samplesBox, const DateFormatSlots& formats)
    : set_(set), formats_(formats), rows_(set.GetRowCount()) {
    DataGuard guard;
    columns_.push_back({Kind::kTime, 0, 0, std::string(MessageText(msg::kTimeStamp))});
    for (std::size_t c = 0; c < set.GetColumnCount(); ++c) {
        const CParameter* p = set.GetColumn(c);
        auto* dp = dynamic_cast<const CDASParameter*>(p);
        const std::string mode = dp ? dp->GetSampleMode() : std::string();
        const int precision = dp ? dp->GetPrecision() : 0;
        columns_.push_back(
            {Kind::kValue, c, precision, p->GetName() + "-" + NameWithUnits(mode, p->GetUnits())});
        if (samplesBox && dp && dp->GetStoreSamplesConfigured())
            columns_.push_back({Kind::kSamples, c, 0, std::string(MessageText(msg::kSamples))});
    }
}

const std::string& DlogDataTable::HeaderText(std::size_t column) const {
    static const std::string none;
    return column < columns_.size() ? columns_[column].header : none;
}

std::string DlogDataTable::CellText(std::size_t row, std::size_t column) const {
    if (column >= columns_.size())
        return {};
    const Column& col = columns_[column];
    DataGuard guard;
    const CDataRecord* record = set_.GetRecord(row, col.setColumn);
    if (record == nullptr)
        return {};
    switch (col.kind) {
        case Kind::kTime:
            return record->GetText(recordtext::kTimeTable, 0, formats_);
        case Kind::kValue:
            return record->GetText(recordtext::kValue, col.precision, formats_);
        case Kind::kSamples:
            return record->GetText(recordtext::kSamples, 0, formats_);
    }
    return {};
}

SaveOutcome SaveDataSet(IDlogInstrument& instrument, const DlogDataSet& data, bool samplesBox,
                        const DateFormatSlots& formats, ReplaceOrAppendQuestion& question,
                        TransferProgress* progress, DateTime now) {
    FileDialogRequest request;
    request.filter = FormatMessage(msg::kDataFileFilter);
    request.defaultExtension = ".csv";
    request.initialName = ProposeDataFileName(instrument, data.channelName, data.set, formats, now);
    for (;;) {
        const std::optional<std::string> path = GetUserPrompt().SaveFile(request);
        if (!path || path->empty())
            return SaveOutcome::kCancelled;
        CsvOptions options;
        options.samplesBox = samplesBox;
        options.showErrors = true;
        std::error_code ec;
        if (std::filesystem::exists(*path, ec)) {
            const ReplaceChoice choice = question.AskReplaceOrAppend(*path);
            if (choice == ReplaceChoice::kCancel) {
                request.initialName = *path;
                continue;
            }
            options.append = choice == ReplaceChoice::kAppend;
        }
        return WriteRecordSetCsv(data.set, *path, options, formats, progress) ? SaveOutcome::kSaved
                                                                              : SaveOutcome::kFailed;
    }
}

std::unique_ptr<DlogGraph> MakeDlogGraph(const DlogDataSet& data, const std::string& instrumentName,
                                         const std::string& siteName, const DateFormatSlots& formats) {
    if (data.set.GetColumnCount() == 0 || data.set.GetRowCount() == 0 || !GraphWindowCount::CanOpen())
        return nullptr;
    auto graph = std::make_unique<DlogGraph>();
    graph->chart = std::make_unique<CChart>();
    if (!FillChartFromRecordSet(*graph->chart, data.set, formats))
        return nullptr;
    graph->title = FormatMessage(msg::kDataViewTitle, data.channelName, instrumentName, siteName);
    graph->chart->SetTitle(data.channelName);
    return graph;
}

}  // namespace talven
