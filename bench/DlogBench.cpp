// DLOG record decoding and CSV export speed, and the memory a record takes.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "dlog/CsvExport.h"
#include "dlog/DASChannel.h"
#include "dlog/DataRecordSet.h"
#include "dlog/DlogInstrument.h"
#include "dlog/RecordDecoding.h"

namespace talven {
namespace {

std::unique_ptr<DlogInstrumentData> MakeChannel(int parameters, bool samples) {
    auto inst = std::make_unique<DlogInstrumentData>();
    auto channel = std::make_unique<CDASChannel>(inst.get());
    channel->SetName("BENCH");
    for (int i = 0; i < parameters; ++i) {
        auto p = std::make_unique<CDASParameter>(channel.get());
        p->SetName("P" + std::to_string(i));
        p->SetSampleMode("AVG");
        p->SetPrecision(3);
        p->SetStoreSamplesInEffect(samples);
        p->SetStoreSamplesConfigured(samples);
        channel->AppendParameter(std::move(p));
    }
    channel->SetSelected(true);
    inst->DlogChannels().Append(std::move(channel));
    return inst;
}

std::vector<std::string> Base64Lines(int parameters, bool samples, int count) {
    std::vector<std::string> lines;
    for (int n = 0; n < count; ++n) {
        std::vector<std::uint8_t> r;
        auto put = [&](std::uint32_t v) {
            for (int i = 0; i < 4; ++i)
                r.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        };
        put(1700000000u + 60u * static_cast<std::uint32_t>(n));
        for (int p = 0; p < parameters; ++p) {
            if (samples)
                put(60);
            const float f = static_cast<float>(n) * 0.25f + static_cast<float>(p);
            std::uint32_t bits;
            std::memcpy(&bits, &f, 4);
            put(bits);
        }
        AppendRecordCrc(r);
        lines.push_back(EncodeBase64Line(r));
    }
    return lines;
}

void DecodeBase64(benchmark::State& state, int parameters, bool samples) {
    auto inst = MakeChannel(parameters, samples);
    auto* channel = static_cast<CDASChannel*>(inst->DlogChannels().at(0));
    const std::vector<std::string> lines = Base64Lines(parameters, samples, 10000);
    ReportRequest all;
    for (auto _ : state) {
        state.PauseTiming();
        channel->ClearData();
        state.ResumeTiming();
        BinaryRecordDecoder decoder(*channel, RecordForm::kBase64);
        for (const std::string& line : lines)
            benchmark::DoNotOptimize(decoder.DecodeLine(line, all));
    }
    std::int64_t lineBytes = 0;
    for (const std::string& line : lines)
        lineBytes += static_cast<std::int64_t>(line.size());
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines.size()));
    state.SetBytesProcessed(state.iterations() * lineBytes);
    state.counters["record_bytes"] = static_cast<double>(channel->GetRecordSize());
}

void BM_DecodeBase64Lines10Parameters(benchmark::State& state) {
    DecodeBase64(state, 10, false);
}
void BM_DecodeBase64Lines50ParametersWithSamples(benchmark::State& state) {
    DecodeBase64(state, 50, true);
}
BENCHMARK(BM_DecodeBase64Lines10Parameters)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeBase64Lines50ParametersWithSamples)->Unit(benchmark::kMillisecond);

// Memory held per record: the vector's storage divided by the records it holds.
void BM_BytesPerRecordHeld(benchmark::State& state) {
    auto inst = MakeChannel(1, false);
    auto* channel = static_cast<CDASChannel*>(inst->DlogChannels().at(0));
    auto* p = static_cast<CDASParameter*>(channel->Parameters().at(0));
    const std::vector<std::string> lines = Base64Lines(1, false, 100000);
    ReportRequest all;
    for (auto _ : state) {
        channel->ClearData();
        BinaryRecordDecoder decoder(*channel, RecordForm::kBase64);
        for (const std::string& line : lines)
            decoder.DecodeLine(line, all);
        // What a download does once its reply has ended.
        ReleaseSpareRecords(*channel);
    }
    state.counters["bytes_per_record"] = static_cast<double>(p->Records().capacity() * sizeof(CDataRecord)) /
                                         static_cast<double>(p->Records().size());
    state.counters["sizeof_record"] = static_cast<double>(sizeof(CDataRecord));
}
BENCHMARK(BM_BytesPerRecordHeld)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_CsvExport1MRows10Columns(benchmark::State& state) {
    constexpr std::size_t kRows = 1000000;
    auto inst = MakeChannel(10, false);
    auto* channel = static_cast<CDASChannel*>(inst->DlogChannels().at(0));
    for (const auto& item : channel->Parameters()) {
        auto& records = static_cast<CDASParameter*>(item.get())->Records();
        records.reserve(kRows);
        for (std::size_t i = 0; i < kRows; ++i)
            records.push_back(
                {static_cast<double>(i) * 0.125, 1, 1700000000u + 60u * static_cast<std::uint32_t>(i), true});
    }
    CDataRecordSet set;
    GatherChannel(*channel, set);
    std::string dir = (std::filesystem::temp_directory_path() / "dlogbench.XXXXXX").string();
    if (!::mkdtemp(dir.data())) {
        state.SkipWithError("no temporary directory");
        return;
    }
    const std::string path = dir + "/export.csv";
    const DateFormatSlots formats;
    std::uintmax_t bytes = 0;
    for (auto _ : state) {
        if (!WriteRecordSetCsv(set, path, {}, formats))
            state.SkipWithError("export failed");
        bytes = std::filesystem::file_size(path);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_CsvExport1MRows10Columns)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace talven
