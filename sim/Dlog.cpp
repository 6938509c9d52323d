#include "Dlog.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Encoding.h"
#include "ScriptReader.h"
#include "foundation/DateTime.h"
#include "foundation/StreamConverter.h"

namespace talven::sim {

const DasEvent* DasData::findEvent(std::string_view name) const {
    for (const auto& e : events)
        if (EqualsNoCase(e.name, name))
            return &e;
    return nullptr;
}

const DasPoint* DasData::findPoint(std::string_view name) const {
    for (const auto& p : points)
        if (EqualsNoCase(p.name, name))
            return &p;
    return nullptr;
}

const DasChannel* DasData::findChannel(std::string_view name) const {
    for (const auto& c : channels)
        if (EqualsNoCase(c.name, name))
            return &c;
    return nullptr;
}

RecordRange StoredRecords(const DasData& data, const DasChannel& channel, std::uint32_t now) {
    RecordRange range;
    const DasEvent* event = data.findEvent(channel.event);
    if (!channel.enabled || event == nullptr || channel.records < 1)
        return range;
    if (event->timer) {
        range.anchor = channel.startDate;
        range.period = std::max<std::int64_t>(60, channel.reportPeriod);
    } else {
        if (event->period == 0)
            return range;
        range.anchor = event->offset;
        range.period = event->period;
    }
    const std::int64_t from = std::max<std::int64_t>(range.anchor, channel.origin);
    if (static_cast<std::int64_t>(now) < range.anchor + range.period)
        return range;
    const std::int64_t lastK = (static_cast<std::int64_t>(now) - range.anchor) / range.period;
    const std::int64_t firstK = (from - range.anchor) / range.period + 1;
    const std::int64_t total = lastK - firstK + 1;
    if (total <= 0)
        return range;
    range.count = std::min<std::int64_t>(total, channel.records);
    range.firstK = lastK - range.count + 1;
    return range;
}

SampleValue ValueAt(const DasData& data, const DasChannel& channel, const DasParam& param, std::uint32_t t) {
    SampleValue out;
    const DasPoint* point = data.findPoint(param.name);
    const double base = point ? point->base : 0.0;
    const double swing = point ? point->swing : 1.0;
    const std::uint64_t nameHash = HashText(param.name);
    const std::uint64_t h = Mix(Mix(data.seed, nameHash), t);
    const DasEvent* event = data.findEvent(channel.event);
    if (event != nullptr && event->timer && channel.samplePeriod > 0) {
        out.samples = static_cast<std::int32_t>(
            std::max<std::uint32_t>(1, channel.reportPeriod / channel.samplePeriod));
    }
    // About one value in two hundred is missing, as when a sensor is out of range.
    if (h % 211 == 0) {
        out.valid = false;
        out.samples = 0;
        return out;
    }
    const double pi = 3.14159265358979323846;
    const double phase = static_cast<double>(nameHash % 1000) / 1000.0 * 2.0 * pi;
    const double noise = static_cast<double>((h >> 8) % 2001) / 1000.0 - 1.0;
    double v = base + swing * std::sin(2.0 * pi * static_cast<double>(t % 86400) / 86400.0 + phase) +
               0.1 * swing * noise;
    const std::string mode = ToUpper(param.mode);
    if (mode == "MIN")
        v -= 0.05 * std::fabs(swing);
    if (mode == "MAX")
        v += 0.05 * std::fabs(swing);
    if (mode == "SDEV")
        v = std::fabs(swing) * (0.02 + 0.01 * static_cast<double>((h >> 20) % 100) / 100.0);
    out.value = static_cast<float>(v);
    return out;
}

std::size_t RecordSize(const DasChannel& channel) {
    std::size_t n = 6;
    for (const auto& p : channel.params)
        n += p.storeSamples ? 8 : 4;
    return n;
}

namespace {

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

const char* const kMonthWords[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                   "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

std::string Period(std::uint32_t seconds) {
    const std::uint32_t minutes = seconds / 60;
    return Format("%03u:%02u:%02u", minutes / 1440, (minutes / 60) % 24, minutes % 60);
}

std::string FormatValue(const SampleValue& v, int precision) {
    if (!v.valid)
        return "XXXX";
    return Format("%.*f", std::clamp(precision, 0, 6), static_cast<double>(v.value));
}

}  // namespace

std::vector<std::uint8_t> EncodeRecord(const DasData& data, const DasChannel& channel, std::uint32_t t,
                                       bool withCrc) {
    std::vector<std::uint8_t> out;
    out.reserve(RecordSize(channel));
    PutU32(out, t);
    for (const auto& p : channel.params) {
        const SampleValue v = ValueAt(data, channel, p, t);
        if (p.storeSamples)
            PutU32(out, static_cast<std::uint32_t>(v.samples));
        std::uint32_t bits = 0x7FC00000u;  // quiet NaN marks a missing value
        if (v.valid)
            std::memcpy(&bits, &v.value, 4);
        PutU32(out, bits);
    }
    if (withCrc) {
        const std::uint16_t crc = Crc16(out.data(), static_cast<std::int64_t>(out.size())).value();
        out.push_back(static_cast<std::uint8_t>(crc & 0xFF));
        out.push_back(static_cast<std::uint8_t>(crc >> 8));
    }
    return out;
}

std::vector<std::string> CompactRecordLines(const DasData& data, const DasChannel& channel, std::uint32_t t,
                                            int instrumentId) {
    std::vector<std::string> lines;
    const std::string lead = ReplyHeader('D', t, instrumentId) + QuoteIfNeeded(channel.name) + ":";
    std::string line;
    int index = 0;
    for (std::size_t i = 0; i < channel.params.size(); ++i) {
        if (i % 10 == 0) {
            if (!line.empty())
                lines.push_back(line + "\r\n");
            line = lead + std::to_string(++index);
        }
        const DasParam& p = channel.params[i];
        line += " " + FormatValue(ValueAt(data, channel, p, t), p.precision);
    }
    if (channel.params.empty())
        line = lead + "1";
    lines.push_back(line + "\r\n");
    return lines;
}

std::string RecordListing(const DasData& data, std::uint32_t now) {
    std::string out;
    for (const auto& channel : data.channels) {
        const RecordRange range = StoredRecords(data, channel, now);
        out += Format("CHANNEL %s period %lld records %lld\n", QuoteIfNeeded(channel.name).c_str(),
                      static_cast<long long>(range.period), static_cast<long long>(range.count));
        for (std::int64_t k = range.firstK; k < range.firstK + range.count; ++k) {
            const std::uint32_t t = range.timeOf(k);
            out += std::to_string(t);
            for (const auto& p : channel.params) {
                out += ' ';
                out += FormatValue(ValueAt(data, channel, p, t), p.precision);
            }
            out += '\n';
        }
    }
    return out;
}

std::string BinaryRecordLine(const DasData& data, const DasChannel& channel, std::uint32_t t,
                             ReportForm form) {
    const bool crc = form != ReportForm::kOldHex;
    const std::vector<std::uint8_t> bytes = EncodeRecord(data, channel, t, crc);
    if (form == ReportForm::kBase64)
        return Base64Encode(bytes.data(), bytes.size()) + "\r\n";
    if (form == ReportForm::kHex)
        return HexEncode(bytes.data(), bytes.size()) + "\r\n";
    // Old form: a start character, the digits, and the negated byte sum of both as two digits.
    std::string body = ":" + HexEncode(bytes.data(), bytes.size());
    const std::uint8_t check = static_cast<std::uint8_t>(-static_cast<int>(TextSum(body)) & 0xFF);
    return body + HexEncode(&check, 1) + "\r\n";
}

namespace {

bool ParseDateTimeWords(const std::vector<std::string>& words, std::size_t& i, std::uint32_t& out) {
    // MM/DD/YYYY, then optionally HH:MM[:SS] as the next word.
    int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
    if (i >= words.size() || std::sscanf(words[i].c_str(), "%d/%d/%d", &month, &day, &year) != 3)
        return false;
    ++i;
    if (i < words.size() && std::strchr(words[i].c_str(), ':') != nullptr &&
        std::sscanf(words[i].c_str(), "%d:%d:%d", &hour, &minute, &second) >= 2) {
        ++i;
    }
    const DateTime t = DateTime::FromElements(year, month, day, hour, minute, second);
    if (!t.valid())
        return false;
    out = t.seconds();
    return true;
}

class ReportSource : public LineSource {
  public:
    ReportSource(const DasData& data, const DasChannel& channel, const ReportRequest& request,
                 RecordRange range, std::int64_t kLo, std::int64_t kHi, int id)
        : data_(data), channel_(channel), request_(request), range_(range), k_(kLo), kHi_(kHi), id_(id) {}

    bool next(std::string& line) override {
        if (pending_.empty()) {
            if (k_ > kHi_)
                return false;
            const std::uint32_t t = range_.timeOf(k_++);
            if (request_.form == ReportForm::kCompact) {
                pending_ = CompactRecordLines(data_, channel_, t, id_);
            } else {
                pending_.push_back(BinaryRecordLine(data_, channel_, t, request_.form));
            }
            std::reverse(pending_.begin(), pending_.end());
        }
        line = std::move(pending_.back());
        pending_.pop_back();
        return true;
    }

  private:
    DasData data_;
    DasChannel channel_;
    ReportRequest request_;
    RecordRange range_;
    std::int64_t k_;
    std::int64_t kHi_;
    int id_;
    std::vector<std::string> pending_;
};

}  // namespace

bool ParseReportRequest(std::string_view args, ReportRequest& out, std::string& error) {
    ScriptReader name(args);
    ReportRequest r;
    if (!name.readName(r.channel)) {
        error = "CHANNEL NAME EXPECTED";
        return false;
    }
    // The rest is read as blank-separated words; the name may have been quoted, so skip past it.
    std::size_t afterName = args.find(r.channel);
    afterName = afterName == std::string_view::npos ? args.size() : afterName + r.channel.size();
    if (afterName < args.size() && args[afterName] == '"')
        ++afterName;
    const std::vector<std::string> words = SplitBlanks(args.substr(afterName));
    for (std::size_t i = 0; i < words.size();) {
        const std::string w = ToUpper(words[i]);
        if (w == "COMPACT") {
            r.form = ReportForm::kCompact;
            ++i;
        } else if (w == "BASE64") {
            r.form = ReportForm::kBase64;
            ++i;
        } else if (w == "HEX") {
            r.form = ReportForm::kHex;
            ++i;
        } else if (w.rfind("RECORDS=", 0) == 0) {
            char* end = nullptr;
            const long long n = std::strtoll(w.c_str() + 8, &end, 10);
            if (end == w.c_str() + 8 || *end != '\0' || n < 0) {
                error = "BAD RECORDS VALUE";
                return false;
            }
            r.lastN = n;
            ++i;
        } else if (w.rfind("FROM=", 0) == 0 || w.rfind("TO=", 0) == 0) {
            const bool from = w[0] == 'F';
            std::vector<std::string> dateWords(words.begin() + static_cast<std::ptrdiff_t>(i), words.end());
            dateWords[0] = dateWords[0].substr(from ? 5 : 3);
            std::size_t j = 0;
            std::uint32_t t = 0;
            if (!ParseDateTimeWords(dateWords, j, t)) {
                error = from ? "BAD FROM DATE" : "BAD TO DATE";
                return false;
            }
            (from ? r.hasFrom : r.hasTo) = true;
            (from ? r.from : r.to) = t;
            i += j;
        } else {
            error = "UNKNOWN OPTION " + words[i];
            return false;
        }
    }
    out = r;
    return true;
}

std::unique_ptr<LineSource> MakeReport(const DasData& data, const DasChannel& channel,
                                       const ReportRequest& request, std::uint32_t now, int instrumentId) {
    const RecordRange range = StoredRecords(data, channel, now);
    std::int64_t kLo = range.firstK;
    std::int64_t kHi = range.firstK + range.count - 1;
    auto ceilDiv = [](std::int64_t a, std::int64_t b) { return a >= 0 ? (a + b - 1) / b : -((-a) / b); };
    auto floorDiv = [](std::int64_t a, std::int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    if (request.hasFrom)
        kLo = std::max(kLo, ceilDiv(static_cast<std::int64_t>(request.from) - range.anchor, range.period));
    if (request.hasTo)
        kHi = std::min(kHi, floorDiv(static_cast<std::int64_t>(request.to) - range.anchor, range.period));
    if (request.lastN >= 0)
        kLo = std::max(kLo, kHi - request.lastN + 1);
    return std::make_unique<ReportSource>(data, channel, request, range, kLo, kHi, instrumentId);
}

std::string EventsText(const DasData& data, bool framed) {
    std::string out = framed ? "EVENTBEGIN\r\n" : "";
    for (const auto& e : data.events) {
        out += Format("%s %s \"%s\" %d\r\n", e.timer ? "TIMEREVENT" : "EVENT", e.level.c_str(),
                      e.name.c_str(), e.number);
    }
    if (framed)
        out += "EVENTEND\r\n";
    return out;
}

std::string PointsText(const DasData& data, bool framed) {
    std::string out = framed ? "PARAMETERBEGIN\r\n" : "";
    for (const auto& p : data.points) {
        out += Format("DATAPOINT %s \"%s\" %d \"%s\"\r\n", p.level.c_str(), p.name.c_str(), p.number,
                      p.units.c_str());
    }
    if (framed)
        out += "PARAMETEREND\r\n";
    return out;
}

std::string ChannelScriptText(const DasData& data, const DasChannel& ch, bool storeSamplesKeyword) {
    std::string out = Format("  CHANNELBEGIN\r\n    NAME \"%s\"\r\n    EVENT \"%s\"\r\n", ch.name.c_str(),
                             ch.event.c_str());
    const DasEvent* event = data.findEvent(ch.event);
    if (event != nullptr && event->timer) {
        const DateTime start = DateTime::FromSeconds(ch.startDate);
        out += Format("    STARTDATE %d/%d/%d\r\n    SAMPLEPERIOD %s\r\n    REPORTPERIOD %s\r\n",
                      start.month(), start.day(), start.year(), Period(ch.samplePeriod).c_str(),
                      Period(ch.reportPeriod).c_str());
    }
    auto flag = [](bool b) { return b ? "ENABLED" : "DISABLED"; };
    out += Format(
        "    FILE \"%s\"\r\n    RECORDS %d\r\n    REPORT %s\r\n    COMPACT %s\r\n    STATUS %s\r\n"
        "    HOLDOFF %s\r\n    PARAMLISTBEGIN\r\n",
        ch.file.c_str(), ch.records, flag(ch.report), flag(ch.compact), flag(ch.enabled), flag(ch.holdOff));
    for (const auto& p : ch.params) {
        out += Format("      PARAMETER \"%s\" %s %d%s\r\n", p.name.c_str(), p.mode.c_str(), p.precision,
                      storeSamplesKeyword && p.storeSamples ? " STORESAMPLES" : "");
    }
    out += "    PARAMLISTEND\r\n  CHANNELEND\r\n";
    return out;
}

std::string ChannelReportText(const DasData& data, const DasChannel& ch) {
    (void)data;
    const DateTime start = DateTime::FromSeconds(ch.startDate);
    auto onOff = [](bool b) { return b ? "ON" : "OFF"; };
    std::string out = Format(
        "SETUP PROPERTIES FOR %s:\r\n"
        "  NAME:               %s\r\n"
        "  EVENT:              %s\r\n"
        "  STARTING DATE:      %02d-%s-%04d\r\n"
        "  SAMPLE PERIOD:      %s\r\n"
        "  REPORT PERIOD:      %s\r\n"
        "  FILE NAME:          %s\r\n"
        "  NUMBER OF RECORDS:  %d\r\n"
        "  RS-232 REPORT:      %s\r\n"
        "  COMPACT REPORT:     %s\r\n"
        "  CHANNEL ENABLED:    %s\r\n"
        "  CAL. HOLD OFF:      %s\r\n"
        "  PARAMETERS:         %zu\r\n",
        QuoteIfNeeded(ch.name).c_str(), QuoteIfNeeded(ch.name).c_str(), QuoteIfNeeded(ch.event).c_str(),
        start.day(), kMonthWords[std::clamp(start.month(), 1, 12) - 1], start.year(),
        Period(ch.samplePeriod).c_str(), Period(ch.reportPeriod).c_str(), ch.file.c_str(), ch.records,
        onOff(ch.report), onOff(ch.compact), onOff(ch.enabled), onOff(ch.holdOff), ch.params.size());
    for (const auto& p : ch.params) {
        out += Format("    PARAMETER=%s, MODE=%s, PRECISION=%d, STORE_SAMPLES=%s\r\n",
                      QuoteIfNeeded(p.name).c_str(), p.mode.c_str(), p.precision, onOff(p.storeSamples));
    }
    return out;
}

namespace {

bool ReadPeriod(ScriptReader& r, std::uint32_t& out) {
    std::int64_t d = 0, h = 0, m = 0;
    if (!r.readInt(d) || !r.acceptSymbol(':') || !r.readInt(h) || !r.acceptSymbol(':') || !r.readInt(m))
        return false;
    if (d < 0 || d > 366 || h < 0 || h > 23 || m < 0 || m > 59)
        return false;
    out = static_cast<std::uint32_t>(((d * 24 + h) * 60 + m) * 60);
    return true;
}

bool ReadFlag(ScriptReader& r, bool& out) {
    if (r.acceptWord("ENABLED")) {
        out = true;
        return true;
    }
    if (r.acceptWord("DISABLED")) {
        out = false;
        return true;
    }
    return false;
}

bool ReadParam(ScriptReader& r, const DasData& data, DasParam& p, std::string& error) {
    if (!r.readName(p.name)) {
        error = "PARAMETER NAME EXPECTED AT " + r.where();
        return false;
    }
    if (data.findPoint(p.name) == nullptr) {
        error = "UNKNOWN PARAMETER " + p.name;
        return false;
    }
    static const char* const kModes[] = {"INST", "AVG", "SDEV", "MIN", "MAX"};
    bool modeOk = false;
    for (const char* m : kModes) {
        if (r.isWord(m)) {
            p.mode = r.current().text;
            r.advance();
            modeOk = true;
            break;
        }
    }
    std::int64_t precision = 0;
    if (!modeOk || !r.readInt(precision) || precision < 0 || precision > 6) {
        error = "BAD PARAMETER SETTINGS AT " + r.where();
        return false;
    }
    p.precision = static_cast<int>(precision);
    p.storeSamples = r.acceptWord("STORESAMPLES");
    return true;
}

bool ReadChannel(ScriptReader& r, const DasData& data, std::uint32_t now, DasChannel& ch,
                 std::string& error) {
    ch.startDate = DateTime::FromElements(DateTime::FromSeconds(now).year(), 1, 1, 0, 0, 0).seconds();
    ch.origin = now;
    while (true) {
        if (r.acceptWord("CHANNELEND"))
            break;
        bool ok = true;
        if (r.acceptWord("NAME")) {
            ok = r.readName(ch.name);
        } else if (r.acceptWord("EVENT")) {
            ok = r.readName(ch.event);
        } else if (r.acceptWord("FILE")) {
            ok = r.readName(ch.file);
        } else if (r.acceptWord("RECORDS")) {
            std::int64_t n = 0;
            ok = r.readInt(n) && n >= 1 && n <= 1000000;
            ch.records = static_cast<std::int32_t>(n);
        } else if (r.acceptWord("STARTDATE")) {
            std::int64_t m = 0, d = 0, y = 0;
            ok = r.readInt(m) && r.acceptSymbol('/') && r.readInt(d) && r.acceptSymbol('/') && r.readInt(y);
            const DateTime t = DateTime::FromElements(static_cast<int>(y), static_cast<int>(m),
                                                      static_cast<int>(d), 0, 0, 0);
            ok = ok && t.valid();
            ch.startDate = t.seconds();
        } else if (r.acceptWord("SAMPLEPERIOD")) {
            ok = ReadPeriod(r, ch.samplePeriod);
        } else if (r.acceptWord("REPORTPERIOD")) {
            ok = ReadPeriod(r, ch.reportPeriod);
        } else if (r.acceptWord("REPORT")) {
            ok = ReadFlag(r, ch.report);
        } else if (r.acceptWord("COMPACT")) {
            ok = ReadFlag(r, ch.compact);
        } else if (r.acceptWord("STATUS")) {
            ok = ReadFlag(r, ch.enabled);
        } else if (r.acceptWord("HOLDOFF")) {
            ok = ReadFlag(r, ch.holdOff);
        } else if (r.acceptWord("PARAMLISTBEGIN")) {
            ch.params.clear();
            while (r.acceptWord("PARAMETER")) {
                if (ch.params.size() >= kMaxParameters) {
                    error = "TOO MANY PARAMETERS IN " + ch.name;
                    return false;
                }
                DasParam p;
                if (!ReadParam(r, data, p, error))
                    return false;
                ch.params.push_back(p);
            }
            ok = r.acceptWord("PARAMLISTEND");
        } else {
            ok = false;
        }
        if (!ok) {
            error = "SYNTAX ERROR AT " + r.where();
            return false;
        }
    }
    if (ch.name.empty() || ch.name.size() > 20) {
        error = "BAD CHANNEL NAME " + ch.name;
        return false;
    }
    if (data.findEvent(ch.event) == nullptr) {
        error = "UNKNOWN EVENT " + ch.event;
        return false;
    }
    if (ch.samplePeriod == 0 && data.findEvent(ch.event)->timer) {
        error = "SAMPLE PERIOD MUST NOT BE ZERO IN " + ch.name;
        return false;
    }
    return true;
}

}  // namespace

bool ParseDasScript(std::string_view text, const DasData& data, std::uint32_t now,
                    std::vector<DasChannel>& out, std::string& error) {
    ScriptReader r(text);
    if (!r.acceptWord("DASBEGIN")) {
        error = "DASBEGIN EXPECTED";
        return false;
    }
    std::vector<DasChannel> channels;
    std::size_t bytes = 0;
    while (r.acceptWord("CHANNELBEGIN")) {
        if (channels.size() >= kMaxChannels) {
            error = "TOO MANY CHANNELS";
            return false;
        }
        DasChannel ch;
        if (!ReadChannel(r, data, now, ch, error))
            return false;
        for (const auto& other : channels) {
            if (EqualsNoCase(other.name, ch.name)) {
                error = "DUPLICATE CHANNEL " + ch.name;
                return false;
            }
        }
        bytes += RecordSize(ch) * static_cast<std::size_t>(ch.records);
        channels.push_back(std::move(ch));
    }
    if (!r.acceptWord("DASEND") || !r.atEnd()) {
        error = "SYNTAX ERROR AT " + r.where();
        return false;
    }
    // The logger's memory: what a channel set asks for beyond it is refused as a whole.
    if (bytes > 32u * 1024u * 1024u) {
        error = "INSUFFICIENT MEMORY FOR REQUESTED RECORDS";
        return false;
    }
    out = std::move(channels);
    return true;
}

}  // namespace talven::sim
