#pragma once
// The instrument's data logger: events, data points, channels, the records they hold (computed
// from the clock and a seed, never stored), and every text and binary form the logger writes.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace talven::sim {

struct DasEvent {
    std::string name;
    int number = 0;
    bool timer = false;
    std::string level = "LOW";
    /// When a non-timer event fires: every period seconds, offset seconds after midnight 1970.
    std::uint32_t period = 0;
    std::uint32_t offset = 0;
};

struct DasPoint {
    std::string name;
    int number = 0;
    std::string units;
    std::string level = "LOW";
    double base = 0.0;   // centre of the daily swing
    double swing = 1.0;  // amplitude of the daily swing
};

struct DasParam {
    std::string name;
    std::string mode = "AVG";  // as written: INST, AVG, SDEV, MIN, MAX
    int precision = 1;
    bool storeSamples = false;
};

struct DasChannel {
    std::string name;
    std::string event;
    std::string file;
    std::int32_t records = 100;
    std::uint32_t startDate = 0;
    std::uint32_t samplePeriod = 60;
    std::uint32_t reportPeriod = 3600;
    bool report = false;
    bool compact = false;
    bool enabled = true;
    bool holdOff = false;
    std::vector<DasParam> params;
    /// Records older than this were discarded (the configuration was replaced at that time).
    std::uint32_t origin = 0;
};

struct DasData {
    std::vector<DasEvent> events;
    std::vector<DasPoint> points;
    std::vector<DasChannel> channels;
    std::uint64_t seed = 1;

    const DasEvent* findEvent(std::string_view name) const;
    const DasPoint* findPoint(std::string_view name) const;
    const DasChannel* findChannel(std::string_view name) const;
};

constexpr std::size_t kMaxChannels = 20;
constexpr std::size_t kMaxParameters = 50;

/// The records a channel holds: record k was taken at anchor + k * period, for k in
/// [firstK, firstK + count).
struct RecordRange {
    std::int64_t anchor = 0;
    std::int64_t period = 1;
    std::int64_t firstK = 0;
    std::int64_t count = 0;
    std::uint32_t timeOf(std::int64_t k) const { return static_cast<std::uint32_t>(anchor + k * period); }
};
RecordRange StoredRecords(const DasData& data, const DasChannel& channel, std::uint32_t now);

struct SampleValue {
    float value = 0.0f;
    std::int32_t samples = 1;
    bool valid = true;
};
SampleValue ValueAt(const DasData& data, const DasChannel& channel, const DasParam& param, std::uint32_t t);

/// Bytes of a binary record including its 2-byte CRC.
std::size_t RecordSize(const DasChannel& channel);
/// Time stamp, then per parameter [samples] value, little-endian; the CRC-16 last when withCrc.
std::vector<std::uint8_t> EncodeRecord(const DasData& data, const DasChannel& channel, std::uint32_t t,
                                       bool withCrc);

enum class ReportForm { kCompact, kBase64, kHex, kOldHex };

struct ReportRequest {
    std::string channel;
    ReportForm form = ReportForm::kCompact;
    std::int64_t lastN = -1;
    bool hasFrom = false;
    bool hasTo = false;
    std::uint32_t from = 0;
    std::uint32_t to = 0;
};
/// Reads the words after "report": "NAME" [records=N] [from=MM/DD/YYYY HH:MM:SS] [to=...]
/// [compact|base64|hex].
bool ParseReportRequest(std::string_view args, ReportRequest& out, std::string& error);

/// Produces reply lines one at a time, so that a long report can be cancelled and never sits
/// whole in memory.
class LineSource {
  public:
    virtual ~LineSource() = default;
    /// False when there is no more. Lines end with CR LF.
    virtual bool next(std::string& line) = 0;
};

/// A report over a snapshot of the channel taken now; "hex" on an instrument without CRC records
/// gives the old form with its byte sum (oldHex).
std::unique_ptr<LineSource> MakeReport(const DasData& data, const DasChannel& channel,
                                       const ReportRequest& request, std::uint32_t now, int instrumentId);

/// One compact text record: header, "NAME:index", values, ten values a line.
std::vector<std::string> CompactRecordLines(const DasData& data, const DasChannel& channel, std::uint32_t t,
                                            int instrumentId);
/// One binary record line in the given form (not kCompact), with CR LF.
std::string BinaryRecordLine(const DasData& data, const DasChannel& channel, std::uint32_t t,
                             ReportForm form);

/// What the logger holds now, a block per channel: a line "CHANNEL name period P records N",
/// then one line per record, oldest first: its time stamp (seconds since 1970) and each
/// parameter's value as a compact report writes it ("XXXX" for a missing value).
std::string RecordListing(const DasData& data, std::uint32_t now);

// Text forms of the configuration.
std::string EventsText(const DasData& data, bool framed);
std::string PointsText(const DasData& data, bool framed);
std::string ChannelScriptText(const DasData& data, const DasChannel& channel, bool storeSamplesKeyword);
std::string ChannelReportText(const DasData& data, const DasChannel& channel);

/// Reads a whole "dasbegin" ... "dasend" script against the instrument's events and points.
/// Channels get their origin set to now. On failure error says why and out is untouched.
bool ParseDasScript(std::string_view text, const DasData& data, std::uint32_t now,
                    std::vector<DasChannel>& out, std::string& error);

}  // namespace talven::sim
