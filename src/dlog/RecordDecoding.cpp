#include "dlog/RecordDecoding.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "dlog/DASParameter.h"
#include "dlog/DlogInstrument.h"
#include "dlog/DlogMessages.h"
#include "dlog/TextFormat.h"
#include "foundation/DataLock.h"
#include "foundation/EString.h"
#include "foundation/Log.h"
#include "foundation/Messages.h"
#include "foundation/StreamConverter.h"
#include "text/InstrumentTokenStream.h"

namespace talven {

namespace {

constexpr std::int64_t kHour = 3600;
constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kWeek = 604800;
constexpr std::int64_t kSundayOffset = 259200;  // 1 January 1970 was a Thursday

std::uint32_t YearStart(int year) {
    return DateTime::FromElements(std::clamp(year, DateTime::kFirstYear, DateTime::kLastYear), 1, 1, 0, 0, 0)
        .seconds();
}

// Consumes the rest of the current line. The lexer does not move past a character it cannot
// scan, so the rest is taken whole rather than token by token.
void SkipLine(TokenStream& s) {
    if (s.GetTokenKind() == kTokenEnd)
        return;
    s.ReadRestOfLine();
    s.NextToken();
}

// "D" DDD ":" HH ":" MM id; the time is the offset into the year. False (nothing consumed beyond
// the tokens read) for any other line.
bool ReadRecordHeader(TokenStream& s, std::uint32_t& offset) {
    ReplyHeader header;
    if (s.NextToken() != tok::D || !ReadReplyHeaderFields(s, header))
        return false;
    offset = header.Offset();
    return true;
}

std::uint32_t ReadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::string_view WithoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    return line;
}

}  // namespace

std::uint32_t PeriodStart(std::int32_t mode, std::int32_t count, DateTime now) {
    const std::int64_t back = std::max(count, 1) - 1;
    const std::int64_t t = now.seconds();
    switch (mode) {
        case CSelectionSet::kRecentHours: {
            const std::int64_t h = t / kHour;
            return h > back ? static_cast<std::uint32_t>((h - back) * kHour) : 0;
        }
        case CSelectionSet::kRecentDays: {
            const std::int64_t d = t / kDay;
            return d > back ? static_cast<std::uint32_t>((d - back) * kDay) : 0;
        }
        case CSelectionSet::kRecentWeeks: {
            const std::int64_t w = (t >= kSundayOffset ? t - kSundayOffset : t) / kWeek;
            return static_cast<std::uint32_t>((w > back ? (w - back) * kWeek : 0) + kSundayOffset);
        }
        case CSelectionSet::kRecentMonths: {
            const std::int64_t m = static_cast<std::int64_t>(now.year()) * 12 + now.month() - 1;
            const std::int64_t k = m > back ? m - back : 0;
            const int year = static_cast<int>(k / 12);
            if (year < DateTime::kFirstYear)
                return 0;
            return DateTime::FromElements(year, static_cast<int>(k % 12) + 1, 1, 0, 0, 0).seconds();
        }
        default:
            return 0;
    }
}

ReportRequest BuildReportRequest(const CDASChannel& channel, std::int32_t expected, bool hasFromTo,
                                 DateTime now) {
    const CSelectionSet selection = channel.GetActiveSelection();
    ReportRequest r;
    r.expected = expected;
    r.mode = selection.mode;
    r.text = "report \"" + channel.GetName() + "\"";
    std::uint32_t askFrom = 0;
    switch (selection.mode) {
        case CSelectionSet::kSinceLast:
            if (channel.GetDownloadedBefore()) {
                askFrom = channel.GetLastDownload().seconds();
                r.from = askFrom + 1;
                r.fromFlag = true;
            }
            break;
        case CSelectionSet::kRecentRecords:
            r.expected = std::min(expected, selection.records);
            AppendFormat(r.text, " records=%d", static_cast<int>(r.expected));
            break;
        case CSelectionSet::kRecentHours:
        case CSelectionSet::kRecentDays:
        case CSelectionSet::kRecentWeeks:
        case CSelectionSet::kRecentMonths: {
            const std::int32_t counts[] = {selection.hours, selection.days, selection.weeks,
                                           selection.months};
            r.from = PeriodStart(selection.mode, counts[selection.mode - CSelectionSet::kRecentHours], now);
            r.fromFlag = true;
            break;
        }
        case CSelectionSet::kBetween:
            r.from = selection.from;
            r.to = selection.to;
            r.fromFlag = r.toFlag = true;
            break;
        default:
            break;
    }
    if (r.fromFlag && selection.useInstrumentSelection && hasFromTo) {
        const bool overlap = selection.mode == CSelectionSet::kSinceLast;
        r.text += DateTime::FromSeconds(overlap ? askFrom : r.from).Format(" from=%m/%d/%Y %H:%M:%S");
        if (r.toFlag)
            r.text += DateTime::FromSeconds(r.to).Format(" to=%m/%d/%Y %H:%M:%S");
        r.instrumentSelects = true;
        r.answerExpected = overlap;
    }
    return r;
}

std::string RecordsCommand(const std::string& channelName) {
    return "records \"" + channelName + "\"";
}

bool FindRecordCountLine(TokenStream& s, std::string& name, std::int32_t& count) {
    for (;;) {
        std::uint32_t offset = 0;
        if (ReadRecordHeader(s, offset) && IsWordToken(s, s.NextToken())) {
            name = s.GetTokenText();
            if (s.NextToken() == tok::RECORDS && s.NextToken() == tok::kEquals &&
                s.NextToken() == kTokenInteger) {
                count = s.GetIntegerValue();
                s.NextToken();
                SkipLine(s);
                return true;
            }
        }
        if (s.AtEndOfInput())
            return false;
        SkipLine(s);
    }
}

RecordForm ChooseRecordForm(const std::string& capabilities) {
    auto has = [&](char c) { return capability::Has(capabilities, c); };
    if (has(capability::kBase64))
        return RecordForm::kBase64;
    if (has(capability::kHex))
        return has(capability::kNewDlog) ? RecordForm::kHex : RecordForm::kOldHex;
    return RecordForm::kText;
}

const char* RecordFormSuffix(RecordForm form) {
    switch (form) {
        case RecordForm::kText:
            return " compact";
        case RecordForm::kBase64:
            return " base64";
        default:
            return " hex";
    }
}

bool PrepareChannelDownload(CDASChannel& channel) {
    DataGuard guard;
    IDlogInstrument* instrument = channel.GetInstrument();
    bool any = false;
    std::uint32_t set = 0;
    for (const auto& item : channel.Parameters()) {
        auto* p = static_cast<CDASParameter*>(item.get());
        if (!p->CountsAsSelected())
            continue;
        p->ClearRecords();
        if (!any && instrument)
            set = instrument->NextDlogSetNumber();
        any = true;
        p->SetSetNumber(set);
    }
    return any;
}

bool ReplyAccountsForRecords(const ReportRequest& request, bool countKnown, std::int32_t count,
                             const RecordDownloadOutcome& outcome, const std::string& channelName,
                             std::string& message) {
    if (!countKnown || count <= 0)
        return true;
    if (outcome.recordLines == 0 && request.answerExpected) {
        message = FormatMessage(msg::kRecordReplyMissing, channelName, static_cast<long>(count));
        return false;
    }
    const bool everyRecordDue =
        request.mode == CSelectionSet::kAll || request.mode == CSelectionSet::kRecentRecords;
    if (everyRecordDue && outcome.recordLines < request.expected) {
        message = FormatMessage(msg::kRecordReplyShort, static_cast<long>(outcome.recordLines),
                                static_cast<long>(request.expected), channelName);
        return false;
    }
    return true;
}

void MarkChannelDownloaded(CDASChannel& channel, const ReportRequest& request,
                           const RecordDownloadOutcome& outcome, DateTime now) {
    DataGuard guard;
    channel.SetDownloadedAt(now);
    if (!outcome.hasNewest)
        return;
    // A range of past dates says nothing of the records after it.
    if (request.mode == CSelectionSet::kBetween && channel.GetDownloadedBefore() &&
        outcome.newest <= channel.GetLastDownload().seconds())
        return;
    channel.SetLastDownload(DateTime::FromSeconds(outcome.newest));
    channel.SetDownloadedBefore(true);
}

std::size_t KeepRecordsBeforeFirstDrop(CDASChannel& channel) {
    const RecordDownloadOutcome outcome = channel.GetDownloadOutcome();
    if (!outcome.recordsMissing)
        return 0;
    DataGuard guard;
    std::size_t discarded = 0;
    for (const auto& item : channel.Parameters()) {
        auto* p = static_cast<CDASParameter*>(item.get());
        std::vector<CDataRecord>& records = p->Records();
        if (!p->CountsAsSelected() || records.size() <= outcome.recordsBeforeDrop)
            continue;
        discarded = records.size() - outcome.recordsBeforeDrop;
        records.resize(outcome.recordsBeforeDrop);
    }
    return discarded;
}

void ReserveRecords(CDASChannel& channel, std::int32_t expected) {
    const std::size_t count = static_cast<std::size_t>(std::clamp(expected, 0, 1000000));
    DataGuard guard;
    for (const auto& item : channel.Parameters()) {
        auto* p = static_cast<CDASParameter*>(item.get());
        if (p->CountsAsSelected())
            p->Records().reserve(count);
    }
}

void ReleaseSpareRecords(CDASChannel& channel) {
    DataGuard guard;
    for (const auto& item : channel.Parameters()) {
        std::vector<CDataRecord>& records = static_cast<CDASParameter*>(item.get())->Records();
        if (records.capacity() - records.size() > records.size() / 8)
            records.shrink_to_fit();
    }
}

std::vector<DownloadColumn> SnapshotColumns(CDASChannel& channel) {
    DataGuard guard;
    std::vector<DownloadColumn> columns;
    columns.reserve(channel.Parameters().size());
    for (const auto& item : channel.Parameters()) {
        auto* p = static_cast<CDASParameter*>(item.get());
        columns.push_back({p, p->CountsAsSelected(), p->GetStoreSamplesInEffect()});
    }
    return columns;
}

DateTime TextRecordBase(DateTime instrumentDate, const std::string& channelName) {
    int year = instrumentDate.year();
    if (!instrumentDate.valid() || instrumentDate.seconds() == 0) {
        year = DateTime::Now().year();
        Log(kLogError, FormatMessage(msg::kInstrumentDateFallback, channelName, year));
    }
    return DateTime::FromSeconds(YearStart(year));
}

// ---- text records ----

TextRecordReader::TextRecordReader(CDASChannel& channel, DateTime base)
    : channel_(channel), channelName_(channel.GetName()), columns_(SnapshotColumns(channel)), base_(base) {}

void TextRecordReader::Append(std::size_t column, double value, bool valid, std::uint32_t time) {
    if (!columns_[column].selected)
        return;
    DataGuard guard;
    columns_[column].parameter->Records().push_back({valid ? value : 0.0, valid ? 1 : 0, time, valid});
}

TextRecordReader::Result TextRecordReader::ReadLine(TokenStream& s, bool& recordStarted) {
    recordStarted = false;
    std::uint32_t offset = 0;
    if (!ReadRecordHeader(s, offset)) {
        SkipLine(s);
        return kEnd;
    }
    const std::uint32_t time = base_.seconds() + offset;
    s.NextToken();
    const std::string name = s.GetTokenText();
    if (!IsWordToken(s, s.GetTokenKind()) || name.size() > channelName_.size() ||
        !EqualsNoCase(name, std::string_view(channelName_).substr(0, name.size())) ||
        s.NextToken() != tok::kColon || s.NextToken() != kTokenInteger) {
        s.RecordError();
        return kFailed;
    }
    if (s.GetIntegerValue() == 1) {
        cursor_ = 0;
        recordStarted = true;
    }
    for (;;) {
        const int kind = s.NextToken();
        if (kind == kTokenEnd)
            return kRecordLine;
        const bool number = kind == kTokenInteger || kind == kTokenReal;
        const bool word = !number && IsWordToken(s, kind);
        const std::string& text = s.GetTokenText();
        const bool missing = word && !text.empty() && (text[0] == 'X' || text[0] == 'x');
        if (!number && !word) {
            s.RecordError();
            return kFailed;
        }
        if ((word && !missing) || cursor_ >= columns_.size()) {
            SkipLine(s);
            return kRecordLine;
        }
        const double value = kind == kTokenInteger ? s.GetIntegerValue() : s.GetRealValue();
        Append(cursor_++, value, number, time);
    }
}

void TextRecordReader::Finish(DateTime instrumentNow, const ReportRequest& request) {
    std::uint32_t now = instrumentNow.seconds();
    if (!instrumentNow.valid() || now == 0)
        now = DateTime::Now().seconds();
    DataGuard guard;
    for (const DownloadColumn& column : columns_) {
        if (!column.selected)
            continue;
        CorrectRecordYears(column.parameter->Records(), base_, now + 1);
        FilterRecords(column.parameter->Records(), request);
    }
}

void TextRecordReader::Summarize(RecordDownloadOutcome& outcome) const {
    DataGuard guard;
    for (const DownloadColumn& column : columns_) {
        if (!column.selected)
            continue;
        const std::vector<CDataRecord>& records = column.parameter->Records();
        outcome.recordsBeforeDrop = records.size();
        for (const CDataRecord& record : records) {
            outcome.newest = outcome.hasNewest ? std::max(outcome.newest, record.time) : record.time;
            outcome.hasNewest = true;
        }
        return;
    }
}

void CorrectRecordYears(std::vector<CDataRecord>& records, DateTime base, std::uint32_t reference) {
    int offset = 0;
    std::uint32_t previous = reference;
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        const std::uint32_t uncorrected = it->time;
        if (uncorrected >= previous)
            --offset;
        previous = uncorrected;
        if (offset != 0)
            it->time = YearStart(base.year() + offset) + (uncorrected - base.seconds());
    }
}

void FilterRecords(std::vector<CDataRecord>& records, const ReportRequest& request) {
    if (!request.fromFlag && !request.toFlag)
        return;
    std::erase_if(records, [&](const CDataRecord& r) {
        return (request.fromFlag && r.time < request.from) || (request.toFlag && r.time > request.to);
    });
}

// ---- binary records ----

bool IsNaNPattern(std::uint32_t bits) {
    return (bits & 0x7F800000u) == 0x7F800000u && (bits & 0x007FFFFFu) != 0;
}

BinaryRecordDecoder::BinaryRecordDecoder(CDASChannel& channel, RecordForm form)
    : form_(form), columns_(SnapshotColumns(channel)) {
    recordSize_ = 6;
    for (const DownloadColumn& c : columns_)
        recordSize_ += c.storesSamples ? 8 : 4;
    buffer_.assign(recordSize_, 0);
}

bool BinaryRecordDecoder::DecodeBytes(std::string_view line) {
    std::fill(buffer_.begin(), buffer_.end(), 0);
    std::size_t count = 0;
    if (form_ == RecordForm::kBase64) {
        StreamToBuffer sink(buffer_.data(), static_cast<std::int32_t>(buffer_.size()));
        Base64Decoder decoder(&sink);
        ResetChain(&decoder);
        PutBytes(&decoder, line.data(), static_cast<std::int64_t>(line.size()));
        FlushChain(&decoder);
        count = static_cast<std::size_t>(sink.count());
    } else {
        std::string_view digits = line;
        if (form_ == RecordForm::kOldHex) {
            // start character, data digits, two checksum digits
            if (line.size() < 3)
                return false;
            const std::uint8_t sum = ByteSum(line.data(), static_cast<std::int64_t>(line.size() - 2));
            const int check =
                HexDigitValue(line[line.size() - 2]) * 16 + HexDigitValue(line[line.size() - 1]);
            if (static_cast<std::uint8_t>(-sum) != check)
                return false;
            digits = line.substr(1, line.size() - 3);
        }
        count = std::min(digits.size() / 2, buffer_.size());
        for (std::size_t i = 0; i < count; ++i)
            buffer_[i] = static_cast<std::uint8_t>(HexDigitValue(digits[2 * i]) * 16 +
                                                   HexDigitValue(digits[2 * i + 1]));
    }
    if (form_ == RecordForm::kOldHex)
        return count >= recordSize_ - 2;
    if (count < recordSize_)
        return false;
    const std::uint16_t stored =
        static_cast<std::uint16_t>(buffer_[recordSize_ - 2] | buffer_[recordSize_ - 1] << 8);
    return Crc16(buffer_.data(), static_cast<std::int64_t>(recordSize_ - 2)).value() == stored;
}

BinaryRecordDecoder::Result BinaryRecordDecoder::DecodeLine(std::string_view line,
                                                            const ReportRequest& request) {
    if (!DecodeBytes(WithoutLineEnd(line)))
        return kDropped;
    const std::uint32_t time = ReadU32(buffer_.data());
    lastTime_ = time;
    if ((request.fromFlag && time < request.from) || (request.toFlag && time > request.to))
        return kFiltered;
    AppendRecord(time);
    return kAppended;
}

void BinaryRecordDecoder::AppendRecord(std::uint32_t time) {
    const std::uint8_t* p = buffer_.data() + 4;
    DataGuard guard;
    for (const DownloadColumn& c : columns_) {
        if (!c.selected) {
            p += c.storesSamples ? 8 : 4;
            continue;
        }
        std::int32_t samples = 1;
        if (c.storesSamples) {
            samples = static_cast<std::int32_t>(ReadU32(p));
            p += 4;
        }
        const std::uint32_t bits = ReadU32(p);
        p += 4;
        if (IsNaNPattern(bits)) {
            c.parameter->Records().push_back({0.0, 0, time, false});
        } else {
            float value;
            std::memcpy(&value, &bits, sizeof value);
            c.parameter->Records().push_back({static_cast<double>(value), samples, time, true});
        }
    }
}

// ---- encoders ----

void AppendRecordCrc(std::vector<std::uint8_t>& record) {
    const std::uint16_t crc = Crc16(record.data(), static_cast<std::int64_t>(record.size())).value();
    record.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    record.push_back(static_cast<std::uint8_t>(crc >> 8));
}

std::string EncodeBase64Line(const std::vector<std::uint8_t>& record) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < record.size(); i += 3) {
        const std::uint32_t v = record[i] << 16 | record[i + 1] << 8 | record[i + 2];
        for (int shift = 18; shift >= 0; shift -= 6)
            out.push_back(kAlphabet[(v >> shift) & 63]);
    }
    if (i < record.size()) {
        const std::uint32_t v = record[i] << 16 | (i + 1 < record.size() ? record[i + 1] << 8 : 0);
        out.push_back(kAlphabet[(v >> 18) & 63]);
        out.push_back(kAlphabet[(v >> 12) & 63]);
        out.push_back(i + 1 < record.size() ? kAlphabet[(v >> 6) & 63] : '=');
        out.push_back('=');
    }
    return out + "\r\n";
}

std::string EncodeHexLine(const std::vector<std::uint8_t>& record) {
    std::string out;
    for (std::uint8_t b : record) {
        out.push_back(HexDigitChar(b >> 4, true));
        out.push_back(HexDigitChar(b & 15, true));
    }
    return out + "\r\n";
}

std::string EncodeOldHexLine(const std::vector<std::uint8_t>& record, char start) {
    std::string out(1, start);
    for (std::uint8_t b : record) {
        out.push_back(HexDigitChar(b >> 4, true));
        out.push_back(HexDigitChar(b & 15, true));
    }
    const std::uint8_t check =
        static_cast<std::uint8_t>(-ByteSum(out.data(), static_cast<std::int64_t>(out.size())));
    out.push_back(HexDigitChar(check >> 4, true));
    out.push_back(HexDigitChar(check & 15, true));
    return out + "\r\n";
}

}  // namespace talven
