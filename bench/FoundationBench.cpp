// Throughput of the record-decoding primitives, Base64 into a buffer and CRC-16, and of memcpy,
// the limit any pass over bytes in memory is measured against.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "foundation/StreamConverter.h"

namespace {

std::string MakeBase64(std::size_t bytes) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve(bytes * 4 / 3 + 4);
    for (std::size_t i = 0; i < bytes * 4 / 3; ++i)
        text.push_back(kAlphabet[(i * 37 + 11) % 64]);
    return text;
}

void BM_Base64ToBuffer(benchmark::State& state) {
    const std::string text = MakeBase64(static_cast<std::size_t>(state.range(0)));
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(state.range(0)) + 16);
    talven::StreamToBuffer sink(buffer.data(), static_cast<std::int32_t>(buffer.size()));
    talven::Base64Decoder decoder(&sink);
    for (auto _ : state) {
        talven::ResetChain(&decoder);
        talven::PutBytes(&decoder, text.data(), static_cast<std::int64_t>(text.size()));
        talven::FlushChain(&decoder);
        benchmark::DoNotOptimize(sink.count());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_Base64ToBuffer)->Arg(822)->Arg(64 * 1024);

void BM_Crc16(benchmark::State& state) {
    std::vector<std::uint8_t> data(static_cast<std::size_t>(state.range(0)));
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 31 + 7);
    for (auto _ : state) {
        talven::Crc16 crc(data.data(), static_cast<std::int64_t>(data.size()));
        benchmark::DoNotOptimize(crc.value());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Crc16)->Arg(616)->Arg(64 * 1024);

// Bytes copied per second: 64 KiB stays in the caches, 64 MiB goes to main memory and back.
void BM_MemoryCopy(benchmark::State& state) {
    const std::size_t n = static_cast<std::size_t>(state.range(0));
    std::vector<char> from(n, 'x'), to(n);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), n);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_MemoryCopy)->Arg(64 * 1024)->Arg(64 << 20);

}  // namespace
