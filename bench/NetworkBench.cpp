// Save and load of a network of 1000 instruments (500 on serial links at 10 sites, 500 behind
// 10 multiplexors), in both file forms, in memory so that disk speed does not count.
#include <benchmark/benchmark.h>

#include <sstream>

#include "app/CoreStartup.h"
#include "calibrator/Sequence.h"
#include "calibrator/Step.h"
#include "dlog/DASChannel.h"
#include "dlog/DASParameter.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "network/NetworkFiles.h"
#include "network/TreeNode.h"
#include "transport/CommPortConnection.h"
#include "transport/TCPConnection.h"

namespace talven {
namespace {

void Populate(CNetworkConfiguration& config) {
    config.New();
    const std::uint32_t home = config.Sites().at(0)->GetId();
    for (int s = 0; s < 10; ++s) {
        auto site = std::make_unique<CSiteNode>();
        site->SetName("Site " + std::to_string(s));
        site->SetParentId(home);
        const std::uint32_t siteId = site->GetId();
        config.Sites().Append(std::move(site));
        auto mux = std::make_unique<CMultiplexorNode>();
        mux->SetName("Mux " + std::to_string(s));
        mux->SetParentId(siteId);
        mux->SetAddress("10.0.0." + std::to_string(s));
        const std::uint32_t muxId = mux->GetId();
        config.Multiplexors().Append(std::move(mux));
        for (int i = 0; i < 50; ++i) {
            auto instrument = std::make_unique<CInstrumentConnectedNode>();
            instrument->SetName("Analyzer " + std::to_string(s) + "." + std::to_string(i));
            instrument->SetParentId(siteId);
            static_cast<CCommPortConnection*>(instrument->GetConnection())
                ->SetPortName("COM" + std::to_string(i));
            config.ConnectedInstruments().Append(std::move(instrument));
            auto behind = std::make_unique<CInstrumentMultiplexorNode>();
            behind->SetName("Channel " + std::to_string(s) + "." + std::to_string(i));
            behind->SetParentId(muxId);
            static_cast<CTCPConnection*>(behind->GetConnection())->SetPort(7000 + i);
            config.MultiplexorInstruments().Append(std::move(behind));
        }
    }
}

struct Network {
    Network() : scope(&config) { Populate(config); }
    CNetworkConfiguration config;
    ScopedNetworkConfiguration scope;
};

void SaveBinary(benchmark::State& state, CNetworkConfiguration& config) {
    for (auto _ : state)
        benchmark::DoNotOptimize(WriteBinaryConfiguration(config.Lists()));
}

void LoadBinary(benchmark::State& state, CNetworkConfiguration& config) {
    const std::vector<std::uint8_t> bytes = WriteBinaryConfiguration(config.Lists());
    for (auto _ : state) {
        SavedLists lists;
        if (!ReadBinaryConfiguration(bytes.data(), bytes.size(), lists).ok)
            state.SkipWithError("load failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void BM_SaveBinary1000(benchmark::State& state) {
    Network net;
    SaveBinary(state, net.config);
}
BENCHMARK(BM_SaveBinary1000)->Unit(benchmark::kMillisecond);

void BM_LoadBinary1000(benchmark::State& state) {
    Network net;
    LoadBinary(state, net.config);
}
BENCHMARK(BM_LoadBinary1000)->Unit(benchmark::kMillisecond);

void BM_SaveText1000(benchmark::State& state) {
    Network net;
    for (auto _ : state) {
        std::string out;
        WriteTextConfiguration(net.config.Lists(), out);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_SaveText1000)->Unit(benchmark::kMillisecond);

// The same network with instrument data: each serial instrument holds a DLOG channel of 10
// parameters and a sequence of 10 steps (the text form does not hold instrument data).
struct NetworkWithData : Network {
    NetworkWithData() {
        InitializeCore();
        for (const auto& object : config.ConnectedInstruments()) {
            auto& node = static_cast<CInstrumentNode&>(*object);
            auto channel = std::make_unique<CDASChannel>();
            channel->SetName("CONC");
            for (int p = 0; p < 10; ++p) {
                auto parameter = std::make_unique<CDASParameter>(channel.get());
                parameter->SetName("PARAM" + std::to_string(p));
                channel->AppendParameter(std::move(parameter));
            }
            node.GetList(kDlogChannels).Append(std::move(channel));
            auto sequence = std::make_unique<CSequence>();
            sequence->SetName("SPAN");
            for (int i = 0; i < 10; ++i)
                sequence->AppendStep(std::make_unique<CStepGenerate>());
            node.GetList(kSequences).Append(std::move(sequence));
        }
    }
};

void BM_SaveBinary1000WithData(benchmark::State& state) {
    NetworkWithData net;
    SaveBinary(state, net.config);
}
BENCHMARK(BM_SaveBinary1000WithData)->Unit(benchmark::kMillisecond);

void BM_LoadBinary1000WithData(benchmark::State& state) {
    NetworkWithData net;
    LoadBinary(state, net.config);
}
BENCHMARK(BM_LoadBinary1000WithData)->Unit(benchmark::kMillisecond);

void BM_LoadText1000(benchmark::State& state) {
    Network net;
    std::string text;
    WriteTextConfiguration(net.config.Lists(), text);
    for (auto _ : state) {
        std::istringstream in(text);
        SavedLists lists;
        if (!ReadTextConfiguration(in, lists).ok)
            state.SkipWithError("load failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_LoadText1000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace talven
