// Writing and reading the sequence script of a full calibrator: 100 sequences of 100 steps.

#include <benchmark/benchmark.h>

#include <sstream>

#include "calibrator/CalibratorInstrument.h"
#include "calibrator/Sequence.h"
#include "calibrator/SequenceScript.h"
#include "text/InstrumentTokenStream.h"

namespace {

using namespace talven;

void FillFullConfiguration(CCalibratorData& instrument) {
    for (int s = 0; s < 100; ++s) {
        auto sequence = std::make_unique<CSequence>(&instrument);
        sequence->SetName("SEQ_" + std::to_string(s));
        for (int i = 0; i < 100; ++i) {
            std::unique_ptr<CStep> step = CreateStep(static_cast<StepKind>(i % kStepKindCount));
            if (auto* generate = dynamic_cast<CStepGenerate*>(step.get()))
                generate->Set({static_cast<float>(i) * 1.5f, 201, 103, 1.25f});
            sequence->AppendStep(std::move(step));
        }
        instrument.SequenceList().Append(std::move(sequence));
    }
}

void BM_WriteSequenceScript(benchmark::State& state) {
    CCalibratorData instrument("Cal", "u");
    FillFullConfiguration(instrument);
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string text = SequenceListText(instrument, SequenceFileFlags());
        bytes = text.size();
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_WriteSequenceScript)->Unit(benchmark::kMillisecond);

void BM_ReadSequenceScript(benchmark::State& state) {
    CCalibratorData instrument("Cal", "u");
    FillFullConfiguration(instrument);
    const std::string text = SequenceListText(instrument, SequenceFileFlags());
    for (auto _ : state) {
        std::istringstream in(text);
        FileInstrumentTokenStream ts(in);
        ts.SetMultiLine(true);
        CNamedObjectList read;
        if (!ReadSequenceList(ts, &instrument, read))
            state.SkipWithError("script did not read back");
        benchmark::DoNotOptimize(read.size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ReadSequenceScript)->Unit(benchmark::kMillisecond);

}  // namespace
