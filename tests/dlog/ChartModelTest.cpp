// The chart's scaling and storage: the nice ceiling, ranges that cannot be empty, the graph of a
// record set, axis texts, and the reduction of many points to one span per pixel column.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "DlogWindowTestSupport.h"
#include "dlog/Chart.h"
#include "foundation/Messages.h"
#include "foundation/UserPrompt.h"

namespace talven {
namespace {

TEST(ChartNiceCeiling, roundsUpToOneTwoOrFiveTimesAPowerOfTen) {
    EXPECT_DOUBLE_EQ(NiceCeiling(37), 50);
    EXPECT_DOUBLE_EQ(NiceCeiling(7.3), 10);
    EXPECT_DOUBLE_EQ(NiceCeiling(1.5), 2);
    EXPECT_DOUBLE_EQ(NiceCeiling(0.3), 1);
    EXPECT_DOUBLE_EQ(NiceCeiling(120), 200);
    EXPECT_DOUBLE_EQ(NiceCeiling(10), 10);
    EXPECT_DOUBLE_EQ(NiceCeiling(450), 500);
    EXPECT_DOUBLE_EQ(NiceCeiling(0), 0);
    EXPECT_DOUBLE_EQ(NiceCeiling(0.0002), 1);  // never below a positive value
    EXPECT_DOUBLE_EQ(NiceCeiling(-2), -1);
    EXPECT_DOUBLE_EQ(NiceCeiling(3e20), 3e20);
}

TEST(ChartRanges, emptyRangesOpenOneUnitBelowTheirUpperEnd) {
    CChart chart;
    EXPECT_EQ(chart.GetTitle(), "Untitled Chart");
    chart.SetAxisRanges(0, 0, 0, -2);  // the values all below zero, the minimum kept at 0
    EXPECT_DOUBLE_EQ(chart.GetRanges().yMax, -1);
    EXPECT_DOUBLE_EQ(chart.GetRanges().yMin, -2);
    EXPECT_DOUBLE_EQ(chart.GetRanges().xMin, -1);
    EXPECT_DOUBLE_EQ(chart.GetRanges().xMax, 0);
    chart.SetPlotStyle(3);  // ignored
    EXPECT_EQ(chart.GetPlotStyle(), CChart::kStyleLinesAndPoints);
}

TEST(ChartStorage, pointsOutsideTheStorageAreRefusedAndGapsDoNotWidenTheBounds) {
    CChart chart;
    EXPECT_FALSE(chart.SetPoint(0, 0, 1, 1));  // no storage yet
    ASSERT_TRUE(chart.AllocateStorage(2, 4));
    EXPECT_FALSE(chart.SetPoint(2, 0, 1, 1));
    EXPECT_FALSE(chart.SetPoint(0, 4, 1, 1));
    EXPECT_TRUE(chart.SetPoint(1, 2, 2, 7));
    EXPECT_TRUE(chart.SetPoint(1, 3, 3, std::numeric_limits<double>::infinity()));
    EXPECT_TRUE(chart.IsSeriesUsed(1));
    EXPECT_FALSE(chart.IsSeriesUsed(0));
    EXPECT_EQ(chart.GetHighestIndex(1), 3);
    chart.SetAxisRangesFromData(true, true, false, true);
    EXPECT_DOUBLE_EQ(chart.GetRanges().xMax, 2);  // the infinite value left out
    EXPECT_DOUBLE_EQ(chart.GetRanges().xMin, 1);
    EXPECT_DOUBLE_EQ(chart.GetRanges().yMax, 10);

    ScriptedPrompt prompt;
    ScopedUserPrompt scope(&prompt);
    EXPECT_FALSE(chart.AllocateStorage(50, CChart::kMaxPoints));
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked()[0].text, "Can not allocate series");
    EXPECT_EQ(chart.GetSeriesCount(), 0u);
}

class ChartOfRecords : public ::testing::Test {
  protected:
    void SetUp() override {
        channel = test::AddChannel(*inst, "OZONE");
        test::AddParameter(*channel, "NO")->SetUnits("ppb");
        test::AddParameter(*channel, "NO2");
        channel->SetSelected(true);
    }
    void Values(const std::vector<double>& no, const std::vector<double>& no2) {
        test::GiveRecords(*inst, *channel, no.size());
        for (std::size_t i = 0; i < no.size(); ++i) {
            test::ParameterAt(*channel, 0)->Records()[i].value = no[i];
            test::ParameterAt(*channel, 1)->Records()[i].value = no2[i];
        }
        set = CDataRecordSet();
        GatherChannel(*channel, set);
    }

    std::unique_ptr<DlogInstrumentData> inst = test::MakeInstrument();
    CDASChannel* channel = nullptr;
    CDataRecordSet set;
    DateFormatSlots formats;
};

TEST_F(ChartOfRecords, graphRunsFromZeroToTheNiceCeilingWithTimeLabels) {
    Values({1, 37, 12, 4, 8}, {0.5, 2, 3, 1, 1});
    test::ParameterAt(*channel, 1)->Records()[2].valid = false;  // a gap, not a zero
    CChart chart;
    ASSERT_TRUE(FillChartFromRecordSet(chart, set, formats));
    EXPECT_EQ(chart.GetSeriesCount(), 2u);
    EXPECT_EQ(chart.GetSeriesName(0), "NO (ppb)");
    EXPECT_EQ(chart.GetSeriesName(1), "NO2");
    EXPECT_EQ(chart.GetXTitle(), "Time");
    EXPECT_EQ(chart.GetPlotStyle(), CChart::kStyleLines);
    const CChart::Ranges r = chart.GetRanges();
    EXPECT_DOUBLE_EQ(r.xMin, 0);
    EXPECT_DOUBLE_EQ(r.xMax, 4);
    EXPECT_DOUBLE_EQ(r.yMin, 0);
    EXPECT_DOUBLE_EQ(r.yMax, 50);
    EXPECT_EQ(chart.GetPointLabel(1), "060:12:01");  // the graph date format
    const std::vector<std::string> x = chart.XAxisTexts();
    ASSERT_EQ(x.size(), 11u);
    EXPECT_EQ(x[0], "060:12:00");
    EXPECT_EQ(x[5], "060:12:02");  // index 5 * 4 / 10, truncated
    EXPECT_EQ(x[10], "060:12:04");
    const std::vector<std::string> y = chart.YAxisTexts();
    EXPECT_EQ(y.front(), " 0.00");
    EXPECT_EQ(y[1], " 5.00");
    EXPECT_EQ(y.back(), "50.00");
    // The line of NO2 breaks at the invalid record and starts afresh after it.
    CChart::Layout layout = chart.LayoutFor(400, 300);
    const std::vector<CChart::ColumnSpan> spans = chart.ReduceToColumns(1, layout);
    ASSERT_EQ(spans.size(), 4u);
    EXPECT_TRUE(spans[1].joined);
    EXPECT_FALSE(spans[2].joined);
    EXPECT_EQ(spans[2].column, static_cast<int>(std::floor(layout.X(3, r))));
}

TEST_F(ChartOfRecords, valuesBelowZeroAndASingleRecordStayInsideTheRanges) {
    Values({-5, -2.5, -3}, {-4, -2, -3});
    CChart chart;
    ASSERT_TRUE(FillChartFromRecordSet(chart, set, formats));
    EXPECT_DOUBLE_EQ(chart.GetRanges().yMax, -1);  // the nice ceiling of -2
    EXPECT_DOUBLE_EQ(chart.GetRanges().yMin, -5);  // down to the lowest value, not one below -1

    Values({3}, {1});
    CChart single;
    ASSERT_TRUE(FillChartFromRecordSet(single, set, formats));
    EXPECT_DOUBLE_EQ(single.GetRanges().xMin, -1);
    EXPECT_DOUBLE_EQ(single.GetRanges().xMax, 0);
    EXPECT_DOUBLE_EQ(single.GetRanges().yMax, 5);

    CChart none;
    EXPECT_FALSE(FillChartFromRecordSet(none, CDataRecordSet(), formats));
}

TEST(ChartDrawing, plotAreaMarginsAndPixelsFollowTheRanges) {
    CChart chart;
    chart.SetAxisRanges(0, 100, 0, 50);
    const CChart::Layout l = chart.LayoutFor(1000, 500);
    EXPECT_DOUBLE_EQ(l.left, 100);
    EXPECT_DOUBLE_EQ(l.right, 900);
    EXPECT_DOUBLE_EQ(l.top, 50);
    EXPECT_DOUBLE_EQ(l.bottom, 400);
    EXPECT_DOUBLE_EQ(l.X(50, chart.GetRanges()), 500);
    EXPECT_DOUBLE_EQ(l.Y(50, chart.GetRanges()), 50);
    EXPECT_DOUBLE_EQ(l.Y(0, chart.GetRanges()), 400);
    EXPECT_EQ(chart.XAxisTexts()[1], " 10.0");  // values without labels
}

TEST(ChartDrawing, manyPointsReduceToTheirExtremesPerPixelColumn) {
    CChart chart;
    const std::size_t n = 100000;
    ASSERT_TRUE(chart.AllocateStorage(1, n));
    for (std::size_t i = 0; i < n; ++i)
        chart.SetPoint(0, i, static_cast<double>(i), i % 2 == 0 ? 10.0 : 30.0);
    chart.SetPoint(0, 50100, 50100, 45.0);
    chart.SetPoint(0, 50101, 50101, std::nan(""));  // a gap
    chart.SetAxisRanges(0, static_cast<double>(n - 1), 0, 50);
    const CChart::Layout l = chart.LayoutFor(1000, 600);
    const std::vector<CChart::ColumnSpan> spans = chart.ReduceToColumns(0, l);
    ASSERT_GE(spans.size(), 800u);
    EXPECT_LE(spans.size(), 803u);  // one per column, and one more after the gap
    for (const auto& s : spans) {
        EXPECT_GE(s.column, 100);
        EXPECT_LE(s.column, 900);
    }
    const auto peak = std::find_if(spans.begin(), spans.end(), [&](const CChart::ColumnSpan& s) {
        return std::fabs(s.top - l.Y(45, chart.GetRanges())) < 1e-9;
    });
    ASSERT_NE(peak, spans.end());
    EXPECT_DOUBLE_EQ(peak->bottom, l.Y(10, chart.GetRanges()));
    EXPECT_EQ(std::next(peak)->column, peak->column);  // the gap starts a new span in the same column
    EXPECT_TRUE(peak->joined);
    EXPECT_FALSE(std::next(peak)->joined);
    EXPECT_FALSE(spans.front().joined);
    EXPECT_TRUE(chart.ReduceToColumns(1, l).empty());
}

}  // namespace
}  // namespace talven
