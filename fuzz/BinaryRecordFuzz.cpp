// Any bytes as the reply lines of a binary record download: Base64 or hexadecimal with CRC, or
// the old hexadecimal form with its byte sum. Four bytes choose the form and the channel: byte 0
// the form and the parameter count, byte 1 which parameters store sample counts, byte 2 which are
// selected, byte 3 a date range; the lines follow.
//
// Checks: every line is appended, filtered or dropped; a selected parameter gets one record per
// line appended and the others none; appended lines lie in the date range and filtered ones
// outside it; a value is invalid exactly when its bits are a NaN; and a record built from the
// input's first bytes, encoded in the form, decodes to the same time and values.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "dlog/DASChannel.h"
#include "dlog/DASParameter.h"
#include "dlog/DlogInstrument.h"
#include "dlog/RecordDecoding.h"

namespace talven {
namespace {

constexpr std::size_t kMaxColumns = 50;

std::unique_ptr<CDASChannel> MakeChannel(IDlogInstrument& inst, std::size_t columns, unsigned samples,
                                         unsigned selected) {
    auto channel = std::make_unique<CDASChannel>(&inst);
    channel->SetName("CONC1");
    for (std::size_t i = 0; i < columns; ++i) {
        auto p = std::make_unique<CDASParameter>(channel.get());
        p->SetName("P" + std::to_string(i));
        p->SetStoreSamplesInEffect((samples >> (i % 8)) & 1u);
        p->SetSelected((selected >> (i % 8)) & 1u);
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

bool InRange(const ReportRequest& request, std::uint32_t time) {
    return !(request.fromFlag && time < request.from) && !(request.toFlag && time > request.to);
}

std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::vector<const CDASParameter*> Columns(const CDASChannel& channel) {
    std::vector<const CDASParameter*> columns;
    for (const auto& item : channel.Parameters())
        columns.push_back(static_cast<const CDASParameter*>(item.get()));
    return columns;
}

// The record's values as the decoder must see them: the bits of each parameter after the time,
// a sample count before it where the parameter stores them.
void CheckRecordValues(const CDASChannel& channel, const std::vector<std::uint8_t>& record) {
    const std::uint8_t* p = record.data() + 4;
    for (const CDASParameter* column : Columns(channel)) {
        std::int32_t samples = 1;
        if (column->GetStoreSamplesInEffect()) {
            samples = static_cast<std::int32_t>(U32(p));
            p += 4;
        }
        const std::uint32_t bits = U32(p);
        p += 4;
        if (!column->CountsAsSelected())
            continue;
        TALVEN_FUZZ_CHECK(column->Records().size() == 1);
        const CDataRecord& r = column->Records().back();
        TALVEN_FUZZ_CHECK(r.time == U32(record.data()));
        TALVEN_FUZZ_CHECK(r.valid == !IsNaNPattern(bits));
        if (!r.valid)
            continue;
        float value;
        std::memcpy(&value, &bits, sizeof value);
        TALVEN_FUZZ_CHECK(r.samples == samples);
        TALVEN_FUZZ_CHECK(r.value == static_cast<double>(value));
    }
}

// What the instrument would send for a record of these bytes decodes back to it.
void CheckEncodedRecord(RecordForm form, std::size_t columns, unsigned samples, unsigned selected,
                        std::string_view bytes) {
    DlogInstrumentData inst;
    auto channel = MakeChannel(inst, columns, samples, selected);
    BinaryRecordDecoder decoder(*channel, form);
    std::vector<std::uint8_t> record(decoder.RecordSize() - 2, 0);
    std::memcpy(record.data(), bytes.data(), std::min(bytes.size(), record.size()));
    std::string line;
    if (form == RecordForm::kOldHex) {
        line = EncodeOldHexLine(record);
    } else {
        std::vector<std::uint8_t> withCrc = record;
        AppendRecordCrc(withCrc);
        line = form == RecordForm::kBase64 ? EncodeBase64Line(withCrc) : EncodeHexLine(withCrc);
    }
    const BinaryRecordDecoder::Result result = decoder.DecodeLine(line, ReportRequest());
    TALVEN_FUZZ_CHECK(result == BinaryRecordDecoder::kAppended);
    TALVEN_FUZZ_CHECK(decoder.LastTime() == U32(record.data()));
    CheckRecordValues(*channel, record);
}

void DecodeLines(RecordForm form, std::size_t columns, unsigned samples, unsigned selected, unsigned flags,
                 std::string_view text) {
    DlogInstrumentData inst;
    auto channel = MakeChannel(inst, columns, samples, selected);
    BinaryRecordDecoder decoder(*channel, form);
    const ReportRequest request = DateRange(flags);
    std::size_t lines = 0;
    std::size_t appended = 0;
    while (!text.empty()) {
        const std::size_t feed = text.find('\n');
        const std::size_t length = feed == std::string_view::npos ? text.size() : feed + 1;
        const std::string_view line = text.substr(0, length);
        text.remove_prefix(length);
        ++lines;
        switch (decoder.DecodeLine(line, request)) {
            case BinaryRecordDecoder::kAppended:
                ++appended;
                TALVEN_FUZZ_CHECK(InRange(request, decoder.LastTime()));
                break;
            case BinaryRecordDecoder::kFiltered:
                TALVEN_FUZZ_CHECK(!InRange(request, decoder.LastTime()));
                break;
            case BinaryRecordDecoder::kDropped:
                break;
        }
    }
    TALVEN_FUZZ_CHECK(appended <= lines);
    for (const CDASParameter* column : Columns(*channel)) {
        TALVEN_FUZZ_CHECK(column->Records().size() == (column->CountsAsSelected() ? appended : 0));
        for (const CDataRecord& r : column->Records()) {
            TALVEN_FUZZ_CHECK(InRange(request, r.time));
            TALVEN_FUZZ_CHECK(r.valid || (r.samples == 0 && r.value == 0.0));
            TALVEN_FUZZ_CHECK(!r.valid || column->GetStoreSamplesInEffect() || r.samples == 1);
        }
    }
}

}  // namespace
}  // namespace talven

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace talven;
    if (size < 4)
        return 0;
    static const RecordForm kForms[] = {RecordForm::kBase64, RecordForm::kHex, RecordForm::kOldHex};
    const RecordForm form = kForms[data[0] % 3];
    const std::size_t columns = 1 + (data[0] / 3) % kMaxColumns;
    const std::string_view text(reinterpret_cast<const char*>(data) + 4, size - 4);
    DecodeLines(form, columns, data[1], data[2], data[3], text);
    CheckEncodedRecord(form, columns, data[1], data[2], text);
    return 0;
}
