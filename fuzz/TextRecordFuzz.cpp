// Any text as the reply lines of a text ("compact") record download, or of the "records" count
// request. The first byte chooses which, the number of parameters of the channel and whether a
// date range filters the records; the second which parameters are selected.
//
// Checks: no parameter gets more records than there were record lines; parameters not selected get
// none; after the date filter every record lies in the range; the summary counts the first
// selected parameter's records and names the newest of them; count lines never exceed the lines
// of the reply.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "dlog/DASChannel.h"
#include "dlog/DASParameter.h"
#include "dlog/DlogInstrument.h"
#include "dlog/DlogScript.h"
#include "dlog/RecordDecoding.h"

namespace talven {
namespace {

using fuzz::TextTokens;

constexpr std::size_t kMaxColumns = 8;

// The most lines the text can hold: the reader ends a line at a line feed or a carriage return.
std::size_t LineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n') +
                                    std::count(text.begin(), text.end(), '\r')) + 1;
}

// A channel whose name the instruments may shorten in their lines ("CONC" for "CONC1").
std::unique_ptr<CDASChannel> MakeChannel(IDlogInstrument& inst, std::size_t columns, unsigned selected) {
    auto channel = std::make_unique<CDASChannel>(&inst);
    channel->SetName("CONC1");
    for (std::size_t i = 0; i < columns; ++i) {
        auto p = std::make_unique<CDASParameter>(channel.get());
        p->SetName("P" + std::to_string(i));
        p->SetSelected((selected >> i) & 1u);
        channel->AppendParameter(std::move(p));
    }
    return channel;
}

ReportRequest DateRange(unsigned flags) {
    ReportRequest request;
    request.fromFlag = (flags & 1u) != 0;
    request.toFlag = (flags & 2u) != 0;
    request.from = DateTime::FromElements(2026, 2, 1, 0, 0, 0).seconds();
    request.to = DateTime::FromElements(2026, 2, 28, 23, 59, 59).seconds();
    return request;
}

void ReadRecords(const std::string& text, std::size_t columns, unsigned selected, unsigned flags) {
    DlogInstrumentData inst;
    auto channel = MakeChannel(inst, columns, selected);
    const DateTime instrumentNow = DateTime::FromElements(2026, 3, 1, 12, 0, 0);
    TextRecordReader reader(*channel, TextRecordBase(instrumentNow, channel->GetName()));
    TextTokens reply(text);
    std::size_t recordLines = 0;
    TextRecordReader::Result result;
    do {
        bool started = false;
        result = reader.ReadLine(reply.ts(), started);
        // A malformed line fails the download after the values before its fault were appended.
        if (result != TextRecordReader::kEnd)
            ++recordLines;
        TALVEN_FUZZ_CHECK(recordLines <= LineCount(text));
    } while (result == TextRecordReader::kRecordLine);
    for (std::size_t i = 0; i < columns; ++i) {
        const auto* p = static_cast<const CDASParameter*>(channel->Parameters().at(i));
        TALVEN_FUZZ_CHECK(p->Records().size() <= recordLines);
        if (!((selected >> i) & 1u))
            TALVEN_FUZZ_CHECK(p->Records().empty());
    }
    if (result == TextRecordReader::kFailed)
        return;
    const ReportRequest request = DateRange(flags);
    reader.Finish(instrumentNow, request);
    RecordDownloadOutcome outcome;
    reader.Summarize(outcome);
    const CDASParameter* first = nullptr;
    for (const auto& item : channel->Parameters()) {
        const auto* p = static_cast<const CDASParameter*>(item.get());
        if (!first && p->CountsAsSelected())
            first = p;
        for (const CDataRecord& r : p->Records()) {
            TALVEN_FUZZ_CHECK(!request.fromFlag || r.time >= request.from);
            TALVEN_FUZZ_CHECK(!request.toFlag || r.time <= request.to);
        }
    }
    if (!first)
        return;
    TALVEN_FUZZ_CHECK(outcome.recordsBeforeDrop == first->Records().size());
    TALVEN_FUZZ_CHECK(outcome.hasNewest == !first->Records().empty());
    for (const CDataRecord& r : first->Records())
        TALVEN_FUZZ_CHECK(r.time <= outcome.newest);
}

void CountLines(const std::string& text) {
    TextTokens reply(text);
    std::size_t found = 0;
    std::string name;
    std::int32_t count = 0;
    while (FindRecordCountLine(reply.ts(), name, count)) {
        ++found;
        TALVEN_FUZZ_CHECK(found <= LineCount(text));
    }
    TextTokens again(text);
    TALVEN_FUZZ_CHECK(CountRecordCountLines(again.ts()) == static_cast<int>(found));
}

}  // namespace
}  // namespace talven

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace talven;
    if (size < 2)
        return 0;
    const unsigned choice = data[0];
    const std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);
    if (choice & 1u) {
        CountLines(text);
        return 0;
    }
    const std::size_t columns = 1 + ((choice >> 1) % kMaxColumns);
    ReadRecords(text, columns, data[1], choice >> 4);
    return 0;
}
