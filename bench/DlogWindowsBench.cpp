// Large downloads in the DLOG windows: a channel of a million records opens in the data view at
// once and scrolls page by page, and its chart (a million points per series) repaints within a
// frame, because each pixel column draws only its extremes. The chart model's reduction runs
// without Qt; the windows are measured when the window program is built.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "dlog/Chart.h"
#include "dlog/DASChannel.h"
#include "dlog/DataRecordSet.h"
#include "dlog/DlogInstrument.h"
#include "dlog/ui/DlogDataAccess.h"

#ifdef TALVEN_BENCH_GUI
#include <QApplication>
#include <QScrollBar>
#include <QTableView>

#include "gui/DlogDataView.h"
#include "gui/DlogGraph.h"
#endif

namespace talven {
namespace {

constexpr std::size_t kMillion = 1000000;

/// An instrument whose one channel holds count records for each of its parameters.
struct BigChannel {
    std::unique_ptr<DlogInstrumentData> instrument = std::make_unique<DlogInstrumentData>();
    DlogDataSet data;

    explicit BigChannel(std::size_t count, int parameters = 3) {
        instrument->SetInstrumentName("Bench");
        auto channel = std::make_unique<CDASChannel>(instrument.get());
        channel->SetName("BIG");
        for (int p = 0; p < parameters; ++p) {
            auto parameter = std::make_unique<CDASParameter>(channel.get());
            parameter->SetName("P" + std::to_string(p));
            parameter->SetSampleMode("AVG");
            parameter->SetPrecision(2);
            parameter->SetSetNumber(1);
            parameter->Records().reserve(count);
            for (std::size_t i = 0; i < count; ++i) {
                const double v =
                    static_cast<double>((i * 7919 + static_cast<std::size_t>(p) * 104729) % 1000) / 10.0;
                parameter->Records().push_back(
                    {v, 1, 1700000000u + 60u * static_cast<std::uint32_t>(i), true});
            }
            channel->AppendParameter(std::move(parameter));
        }
        channel->SetSelected(true);
        CDASChannel* raw = channel.get();
        instrument->DlogChannels().Append(std::move(channel));
        data.channelName = "BIG";
        GatherChannel(*raw, data.set);
    }
};

BigChannel& Million() {
    static BigChannel big(kMillion);
    return big;
}

std::unique_ptr<CChart> MillionPointChart() {
    auto chart = std::make_unique<CChart>();
    FillChartFromRecordSet(*chart, Million().data.set, DateFormatSlots());
    return chart;
}

void BM_ChartReduceMillionPoints(benchmark::State& state) {
    const std::unique_ptr<CChart> chart = MillionPointChart();
    const CChart::Layout layout = chart->LayoutFor(1000, 600);
    for (auto _ : state) {
        for (std::size_t s = 0; s < chart->GetSeriesCount(); ++s)
            benchmark::DoNotOptimize(chart->ReduceToColumns(s, layout));
    }
    state.SetItemsProcessed(state.iterations() *
                            static_cast<std::int64_t>(kMillion * chart->GetSeriesCount()));
}
BENCHMARK(BM_ChartReduceMillionPoints)->Unit(benchmark::kMillisecond);

void BM_ChartFillFromMillionRecords(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(MillionPointChart());
}
BENCHMARK(BM_ChartFillFromMillionRecords)->Unit(benchmark::kMillisecond);

#ifdef TALVEN_BENCH_GUI

QtMessageHandler g_standardHandler = nullptr;

// The offscreen platform says on every window that it cannot propagate size hints.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (!message.contains("propagateSizeHints") && g_standardHandler != nullptr)
        g_standardHandler(type, context, message);
}

QApplication& Application() {
    if (g_standardHandler == nullptr)
        g_standardHandler = qInstallMessageHandler(QuietMessages);
    static int argc = 1;
    static char name[] = "talven-bench";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

/// The data view opened on a million records and painted once: the goal is under 0.2 s.
void BM_DataViewOpensOnMillionRecords(benchmark::State& state) {
    Application();
    BigChannel& big = Million();
    const DlogWindowOptions options;
    for (auto _ : state) {
        gui::CDASDataViewDialog view(nullptr, *big.instrument, big.data, false, options, "Site");
        view.show();
        view.grab();
    }
}
BENCHMARK(BM_DataViewOpensOnMillionRecords)->Unit(benchmark::kMillisecond);

/// One page of the view scrolled and painted, anywhere in the million rows.
void BM_DataViewScrollsAPage(benchmark::State& state) {
    Application();
    BigChannel& big = Million();
    const DlogWindowOptions options;
    gui::CDASDataViewDialog view(nullptr, *big.instrument, big.data, false, options, "Site");
    view.show();
    QScrollBar* bar = view.Table()->verticalScrollBar();
    int position = 0;
    for (auto _ : state) {
        position = (position + bar->pageStep() * 997) % std::max(1, bar->maximum());
        bar->setValue(position);
        view.Table()->viewport()->grab();
    }
}
BENCHMARK(BM_DataViewScrollsAPage)->Unit(benchmark::kMillisecond);

/// The chart of three series of a million points repainted: the goal is under 50 ms.
void BM_ChartRepaintMillionPointsPerSeries(benchmark::State& state) {
    Application();
    gui::CChartWidget chart(nullptr, MillionPointChart());
    chart.resize(1000, 600);
    for (auto _ : state)
        benchmark::DoNotOptimize(chart.Picture(chart.size()));
}
BENCHMARK(BM_ChartRepaintMillionPointsPerSeries)->Unit(benchmark::kMillisecond);

#endif

}  // namespace
}  // namespace talven
