#pragma once
// What the DLOG windows do with downloaded data apart from drawing it: the table of the data view
// (its columns and cell texts, read from the record set as rows are shown), the manual "Save
// Data" with its file choice and Replace/Append question, and the graph made of a set.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "dlog/Chart.h"
#include "dlog/CsvExport.h"
#include "dlog/DataRecordSet.h"
#include "foundation/DateTime.h"

namespace talven {

class IDlogInstrument;
class CDASChannel;

/// A channel's gathered data as the data view, a file or a graph takes it.
struct DlogDataSet {
    std::string channelName;
    CDataRecordSet set;
};

/// The first channel, in list order, whose gathered set has a column and a row; false when none
/// has. Takes the data lock.
bool FirstChannelWithData(IDlogInstrument& instrument, DlogDataSet& out);

/// The options the DLOG windows read.
struct DlogWindowOptions {
    DateFormatSlots formats;
    /// Ask before deleting a channel or parameter.
    bool confirmDeletes = true;
};

/// The table of "DLOG Data View": "Time Stamp", one column per parameter ("name-mode (units)"),
/// and with the "Samples" box a "Samples" column after each parameter configured to store them.
/// Cells are made when asked, under the data lock, so a million rows cost nothing until shown.
class DlogDataTable {
  public:
    DlogDataTable(const CDataRecordSet& set, bool samplesBox, const DateFormatSlots& formats);

    std::size_t RowCount() const { return rows_; }
    std::size_t ColumnCount() const { return columns_.size(); }
    const std::string& HeaderText(std::size_t column) const;
    /// Empty outside the table, or when the record went since (a new download emptied it).
    std::string CellText(std::size_t row, std::size_t column) const;
    /// The values are right-aligned; the time stamps are not.
    bool IsNumeric(std::size_t column) const { return column > 0; }

  private:
    enum class Kind { kTime, kValue, kSamples };
    struct Column {
        Kind kind = Kind::kTime;
        std::size_t setColumn = 0;
        int precision = 0;
        std::string header;
    };

    const CDataRecordSet& set_;
    const DateFormatSlots& formats_;
    std::vector<Column> columns_;
    std::size_t rows_ = 0;
};

/// The answer of the "Save As" question on a file that exists.
enum class ReplaceChoice { kReplace, kAppend, kCancel };

class ReplaceOrAppendQuestion {
  public:
    virtual ~ReplaceOrAppendQuestion() = default;
    /// "%s already exists." with the path, "Do you want to replace it or append to it?"
    virtual ReplaceChoice AskReplaceOrAppend(const std::string& path) = 0;
};

enum class SaveOutcome { kSaved, kCancelled, kFailed };

/// "Save Data" of one set: the proposed manual file name in a save dialog (data file filter,
/// ".csv"); an existing file chosen asks Replace, Append or Cancel (Cancel goes back to the file
/// choice); the set is written with messages shown on failure. Window thread.
SaveOutcome SaveDataSet(IDlogInstrument& instrument, const DlogDataSet& data, bool samplesBox,
                        const DateFormatSlots& formats, ReplaceOrAppendQuestion& question,
                        TransferProgress* progress, DateTime now);

/// A graph ready to open: its chart and the window's title (" DLOG %s, %s at %s" with the channel,
/// the instrument and its site).
struct DlogGraph {
    std::unique_ptr<CChart> chart;
    std::string title;
};

/// The graph of a set, or null: with three graph windows open, for a set without data, or when
/// the chart's storage could not be had (said so).
std::unique_ptr<DlogGraph> MakeDlogGraph(const DlogDataSet& data, const std::string& instrumentName,
                                         const std::string& siteName, const DateFormatSlots& formats);

}  // namespace talven
