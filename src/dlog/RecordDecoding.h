#pragma once
// Record download of one DLOG channel, the parts that do not touch the link: the "records" and
// "report" requests, the text ("compact") and binary (Base64, hexadecimal with CRC, old
// hexadecimal with byte sum) reply lines decoded into the parameters' records, the year
// correction and date filtering of text records.
//
// All of it runs on the instrument's worker. Records are appended under the data lock, one reply
// line at a time, so the window may read them while a download runs.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dlog/DASChannel.h"
#include "foundation/DateTime.h"

namespace talven {

class TokenStream;
class CDASParameter;

/// Start of the period of the most recent hours (mode 3), days (4), weeks (5, beginning on Sunday)
/// or months (6), count periods back including the current one; 0 when that lies before 1970.
std::uint32_t PeriodStart(std::int32_t mode, std::int32_t count, DateTime now);

/// The record selection of one download, as sent and as filtered.
struct ReportRequest {
    std::string text;  // "report \"NAME\"" with its options, without the form word
    std::int32_t expected = 0;
    bool fromFlag = false;
    bool toFlag = false;
    std::uint32_t from = 0;
    std::uint32_t to = 0;
    bool instrumentSelects = false;  // the instrument was asked to select by date
    std::int32_t mode = 0;           // the selection's mode
    /// A channel holding records must answer with at least one record line. Not so when the
    /// instrument selects by date: it may hold none of those dates. "Since last download" asks
    /// the instrument from the newest record downloaded, not the second after it, so that even
    /// with nothing new that record comes back (and is left out here).
    bool answerExpected = true;
};

/// The "report" request for the channel's active selection. expected is the record count the
/// instrument reported (or the channel's record count); now is the PC's time.
ReportRequest BuildReportRequest(const CDASChannel& channel, std::int32_t expected, bool hasFromTo,
                                 DateTime now);

/// "records \"NAME\"".
std::string RecordsCommand(const std::string& channelName);
/// Reads reply lines (the stream not joining lines) until one reads "D" DDD:HH:MM id NAME
/// "RECORDS" "=" count; lines of other forms are skipped. False when the reply ends first.
bool FindRecordCountLine(TokenStream& stream, std::string& name, std::int32_t& count);

enum class RecordForm { kText, kBase64, kHex, kOldHex };
/// Base64 when offered, else hexadecimal (with CRC on new DLOG instruments, else with byte sum),
/// else text.
RecordForm ChooseRecordForm(const std::string& capabilities);
/// " compact", " base64" or " hex".
const char* RecordFormSuffix(RecordForm form);

/// Step 1 of a download: empties the records of every parameter that counts as selected and gives
/// them the next set number of the instrument. False when no parameter counts as selected.
bool PrepareChannelDownload(CDASChannel& channel);

/// False when a reply cannot hold every record it should: the instrument said it holds count
/// records (countKnown) and sent no record line although one was due, or, for all records and
/// the most recent N, fewer record lines than expected. The message says what was missing.
bool ReplyAccountsForRecords(const ReportRequest& request, bool countKnown, std::int32_t count,
                             const RecordDownloadOutcome& outcome, const std::string& channelName,
                             std::string& message);
/// After a download that succeeded: the channel's last download moves to the newest record
/// before the first dropped line (not back, for a date range), downloaded before is set, and
/// downloaded at := now. A download that brought no such record leaves the last download as it
/// was, so that nothing after it is skipped.
void MarkChannelDownloaded(CDASChannel& channel, const ReportRequest& request,
                           const RecordDownloadOutcome& outcome, DateTime now);
/// For downloads that continue where the last one ended: the records after the first dropped line
/// that may have been a requested record are discarded, as the next download fetches them again.
/// Returns the records discarded.
std::size_t KeepRecordsBeforeFirstDrop(CDASChannel& channel);

/// Room for the expected records in every parameter that counts as selected (at most a million:
/// the count comes from the instrument), and afterwards the spare room given back, so a record
/// holds 24 bytes and not the slack of a growing array.
void ReserveRecords(CDASChannel& channel, std::int32_t expected);
void ReleaseSpareRecords(CDASChannel& channel);

/// The parameters of a channel as a download sees them (taken once, under the data lock).
struct DownloadColumn {
    CDASParameter* parameter;
    bool selected;
    bool storesSamples;  // in-effect flag: decides the binary layout
};
std::vector<DownloadColumn> SnapshotColumns(CDASChannel& channel);

/// 1 January 00:00:00 of the instrument's year. When the instrument's date could not be read
/// (invalid), the PC's year is used and the fallback logged as an error.
DateTime TextRecordBase(DateTime instrumentDate, const std::string& channelName);

/// Decodes the text ("compact") reply of one channel, line by line.
class TextRecordReader {
  public:
    enum Result {
        kRecordLine,  // a record line was read (values appended)
        kEnd,         // the reply ended: no more lines, or a line that is no record line
        kFailed,      // a malformed record line: the download fails
    };

    TextRecordReader(CDASChannel& channel, DateTime base);
    /// Reads one line from a stream that does not join lines. recordStarted is set for a line of
    /// index 1 (a new record: one progress step).
    Result ReadLine(TokenStream& stream, bool& recordStarted);
    /// After a reply that did not fail: the year correction against the instrument's current time
    /// (records later than it belong to earlier years), then the request's date filter.
    void Finish(DateTime instrumentNow, const ReportRequest& request);
    /// After Finish: the records kept and the newest time stamp among them.
    void Summarize(RecordDownloadOutcome& outcome) const;

  private:
    void Append(std::size_t column, double value, bool valid, std::uint32_t time);

    CDASChannel& channel_;
    std::string channelName_;
    std::vector<DownloadColumn> columns_;
    DateTime base_;
    std::size_t cursor_ = 0;
};

/// Corrects the years of one parameter's text records: records are walked from the last, and each
/// step back in time that is not a step back (a record at or after its successor) moves the
/// remaining ones into the year before. Each record keeps its day of year, hours and minutes within
/// its own year.
void CorrectRecordYears(std::vector<CDataRecord>& records, DateTime base, std::uint32_t reference);
/// Removes records before from (fromFlag) or after to (toFlag).
void FilterRecords(std::vector<CDataRecord>& records, const ReportRequest& request);

/// Decodes binary reply lines of one channel.
class BinaryRecordDecoder {
  public:
    enum Result {
        kAppended,  // values appended: one progress step
        kFiltered,  // outside the date range: one progress step, nothing appended
        kDropped,   // bad checksum, CRC or length: dropped silently
    };

    BinaryRecordDecoder(CDASChannel& channel, RecordForm form);
    /// One line as read from the link, with or without its line end.
    Result DecodeLine(std::string_view line, const ReportRequest& request);
    std::size_t RecordSize() const { return recordSize_; }
    /// The time stamp of the last line appended or filtered.
    std::uint32_t LastTime() const { return lastTime_; }

  private:
    bool DecodeBytes(std::string_view line);
    void AppendRecord(std::uint32_t time);

    RecordForm form_;
    std::vector<DownloadColumn> columns_;
    std::size_t recordSize_;
    std::vector<std::uint8_t> buffer_;
    std::uint32_t lastTime_ = 0;
};

/// True for a quiet or signalling NaN bit pattern (exponent all ones, mantissa not zero).
bool IsNaNPattern(std::uint32_t bits);

/// Encoders of the instrument's binary lines (the simulator and tests build replies with them):
/// the record bytes with their CRC appended, as Base64 or hexadecimal text with CR LF; the old
/// form with its start character and byte sum.
std::string EncodeBase64Line(const std::vector<std::uint8_t>& record);
std::string EncodeHexLine(const std::vector<std::uint8_t>& record);
std::string EncodeOldHexLine(const std::vector<std::uint8_t>& record, char start = ':');
/// Appends the little-endian CRC-16 of the bytes.
void AppendRecordCrc(std::vector<std::uint8_t>& record);

}  // namespace talven
