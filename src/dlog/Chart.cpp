#include "dlog/Chart.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <cstdio>
#include <new>

#include "dlog/DASEvent.h"
#include "dlog/DASParameter.h"
#include "dlog/DataRecordSet.h"
#include "dlog/DlogMessages.h"
#include "foundation/DataLock.h"
#include "foundation/DateTime.h"
#include "foundation/Messages.h"
#include "foundation/UserPrompt.h"

namespace talven {

namespace {

int g_openGraphs = 0;

std::string Printf(const char* format, double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, v);
    return buffer;
}

void ShowError(int id) {
    GetUserPrompt().MessageBox(FormatMessage(id), FormatMessage(msg::kCaptionError), mb::kIconWarning);
}

}  // namespace

double NiceCeiling(double v) {
    if (!std::isfinite(v))
        return v;
    // Above the range of an integer the truncation below means nothing; such values are their own
    // ceiling.
    if (std::fabs(v) >= 1e15)
        return v;
    const double i = std::trunc(v);
    double p = 10.0;
    if (i >= 10.0) {
        p = 10.0;
        while (p <= i)
            p *= 10.0;
    }
    const double step = p / 10.0;
    double k = std::trunc(v / step + 0.999);
    // A positive value below a thousandth of the step would otherwise get 0, under itself.
    if (v > 0.0 && k < 1.0)
        k = 1.0;
    if (k > 5.0)
        return 10.0 * step;
    if (k >= 3.0)
        return 5.0 * step;
    return k * step;
}

bool CChart::AllocateStorage(std::size_t series, std::size_t points) {
    series_.clear();
    series_.shrink_to_fit();
    points_ = 0;
    labels_.clear();
    labelTimes_.clear();
    labelsUsed_ = false;
    highestLabel_ = -1;
    dataMinX_ = dataMinY_ = 1e99;
    dataMaxX_ = dataMaxY_ = -1e99;
    const bool tooMany = series != 0 && points > kMaxPoints / series;
    if (!tooMany) {
        try {
            std::vector<Series> made(series);
            for (Series& s : made) {
                s.x.resize(points);
                s.y.resize(points);
            }
            series_ = std::move(made);
            points_ = points;
            return true;
        } catch (const std::bad_alloc&) {
        }
    }
    ShowError(msg::kCannotAllocateSeries);
    return false;
}

bool CChart::SetPoint(std::size_t series, std::size_t index, double x, double y) {
    if (series >= series_.size() || index >= points_)
        return false;
    Series& s = series_[series];
    s.x[index] = x;
    s.y[index] = y;
    s.used = true;
    s.highest = std::max(s.highest, static_cast<long>(index));
    if (std::isfinite(x) && std::isfinite(y)) {
        dataMinX_ = std::min(dataMinX_, x);
        dataMaxX_ = std::max(dataMaxX_, x);
        dataMinY_ = std::min(dataMinY_, y);
        dataMaxY_ = std::max(dataMaxY_, y);
    }
    return true;
}

void CChart::SetPointLabel(std::size_t index, std::string text) {
    if (index >= labels_.size())
        labels_.resize(index + 1);
    labels_[index] = std::move(text);
    labelsUsed_ = true;
    highestLabel_ = std::max(highestLabel_, static_cast<long>(index));
}

void CChart::SetTimeLabels(std::vector<std::uint32_t> times, std::string format) {
    if (times.empty())
        return;
    highestLabel_ = std::max(highestLabel_, static_cast<long>(times.size()) - 1);
    labelTimes_ = std::move(times);
    labelFormat_ = std::move(format);
    labelsUsed_ = true;
}

void CChart::SetSeriesName(std::size_t series, std::string name) {
    if (series < series_.size())
        series_[series].name = std::move(name);
}

void CChart::SetAxisRangesFromData(bool xMin, bool xMax, bool yMin, bool yMax) {
    Ranges r = ranges_;
    if (HasData()) {
        if (xMin)
            r.xMin = dataMinX_;
        if (xMax)
            r.xMax = dataMaxX_;
        if (yMin)
            r.yMin = dataMinY_;
        if (yMax)
            r.yMax = dataMaxY_;
    }
    SetAxisRanges(r.xMin, r.xMax, r.yMin, r.yMax);
}

void CChart::SetAxisRanges(double xMin, double xMax, double yMin, double yMax) {
    ranges_.xMin = xMin;
    ranges_.xMax = xMax;
    ranges_.yMin = yMin;
    ranges_.yMax = NiceCeiling(yMax);
    if (!(ranges_.yMax > ranges_.yMin))
        ranges_.yMin = ranges_.yMax - 1.0;
    if (!(ranges_.xMin < ranges_.xMax))
        ranges_.xMin = ranges_.xMax - 1.0;
}

void CChart::SetAxisTitles(std::string x, std::string y) {
    xTitle_ = std::move(x);
    yTitle_ = std::move(y);
}

void CChart::SetGridDivisions(int x, int y) {
    xDivisions_ = std::max(1, x);
    yDivisions_ = std::max(1, y);
}

void CChart::SetPlotStyle(int style) {
    if (style >= kStyleLines && style <= kStyleLinesAndPoints)
        plotStyle_ = style;
}

void CChart::SetTitle(std::string title) {
    title_ = std::move(title);
}

bool CChart::IsSeriesUsed(std::size_t series) const {
    return series < series_.size() && series_[series].used;
}

const std::string& CChart::GetSeriesName(std::size_t series) const {
    static const std::string none;
    return series < series_.size() ? series_[series].name : none;
}

long CChart::GetHighestIndex(std::size_t series) const {
    return series < series_.size() ? series_[series].highest : -1;
}

std::string CChart::GetPointLabel(std::size_t index) const {
    if (index < labels_.size() && !labels_[index].empty())
        return labels_[index];
    if (index < labelTimes_.size())
        return DateTime::FromSeconds(labelTimes_[index]).Format(labelFormat_);
    return {};
}

CChart::Layout CChart::LayoutFor(int width, int height) const {
    Layout l;
    l.left = width / 10.0;
    l.right = width - width / 10.0;
    l.top = height / 10.0;
    l.bottom = height - height / 5.0;
    const double plotWidth = std::max(1.0, l.right - l.left);
    const double plotHeight = std::max(1.0, l.bottom - l.top);
    l.xPerPixel = (ranges_.xMax - ranges_.xMin) / plotWidth;
    l.yPerPixel = (ranges_.yMax - ranges_.yMin) / plotHeight;
    return l;
}

std::vector<std::string> CChart::YAxisTexts() const {
    std::vector<std::string> texts;
    for (int i = 0; i <= yDivisions_; ++i)
        texts.push_back(Printf("%5.2f", ranges_.yMin + i * (ranges_.yMax - ranges_.yMin) / yDivisions_));
    return texts;
}

std::vector<std::string> CChart::XAxisTexts() const {
    std::vector<std::string> texts;
    for (int i = 0; i <= xDivisions_; ++i) {
        if (labelsUsed_) {
            const long index = static_cast<long>(static_cast<double>(i) * highestLabel_ / xDivisions_);
            texts.push_back(GetPointLabel(static_cast<std::size_t>(std::max(0L, index))));
        } else {
            texts.push_back(Printf("%5.1f", ranges_.xMin + i * (ranges_.xMax - ranges_.xMin) / xDivisions_));
        }
    }
    return texts;
}

std::vector<CChart::ColumnSpan> CChart::ReduceToColumns(std::size_t series, const Layout& layout) const {
    std::vector<ColumnSpan> spans;
    if (series >= series_.size() || !series_[series].used)
        return spans;
    const Series& s = series_[series];
    const std::size_t count = static_cast<std::size_t>(s.highest + 1);
    bool open = false;
    bool gap = false;
    for (std::size_t i = 0; i < count; ++i) {
        const double x = s.x[i];
        const double y = s.y[i];
        if (!std::isfinite(x) || !std::isfinite(y) || x < ranges_.xMin || x > ranges_.xMax) {
            gap = true;
            continue;
        }
        const int column = static_cast<int>(std::floor(layout.X(x, ranges_)));
        const double py = layout.Y(y, ranges_);
        if (open && !gap && spans.back().column == column) {
            ColumnSpan& span = spans.back();
            span.last = py;
            span.top = std::min(span.top, py);
            span.bottom = std::max(span.bottom, py);
            continue;
        }
        spans.push_back({column, py, py, py, py, open && !gap});
        open = true;
        gap = false;
    }
    return spans;
}

bool GraphWindowCount::CanOpen() {
    return g_openGraphs < kMaxOpen;
}

void GraphWindowCount::Opened() {
    ++g_openGraphs;
}

void GraphWindowCount::Closed() {
    if (g_openGraphs > 0)
        --g_openGraphs;
}

int GraphWindowCount::Open() {
    return g_openGraphs;
}

bool FillChartFromRecordSet(CChart& chart, const CDataRecordSet& set, const DateFormatSlots& formats) {
    const std::size_t columns = set.GetColumnCount();
    const std::size_t rows = set.GetRowCount();
    if (columns == 0 || rows == 0)
        return false;
    chart.SetAxisTitles("Time", "");
    chart.SetPlotStyle(CChart::kStyleLines);
    chart.SetGridDivisions(10, 10);
    if (!chart.AllocateStorage(columns, rows)) {
        ShowError(msg::kErrorAllocatingChart);
        return false;
    }
    std::vector<std::uint32_t> times(rows, 0);
    {
        DataGuard guard;
        for (std::size_t c = 0; c < columns; ++c) {
            const CParameter* p = set.GetColumn(c);
            chart.SetSeriesName(c, NameWithUnits(p->GetName(), p->GetUnits()));
            for (std::size_t r = 0; r < rows; ++r) {
                const CDataRecord* record = set.GetRecord(r, c);
                // A record without a valid value leaves a gap: drawn as 0 it would read as a real
                // concentration of zero.
                const double y = record && record->valid ? record->value : std::numeric_limits<double>::quiet_NaN();
                chart.SetPoint(c, r, static_cast<double>(r), y);
                if (c == 0 && record)
                    times[r] = record->time;
            }
        }
    }
    chart.SetTimeLabels(std::move(times), formats.Slot(DateFormatSlots::kGraph));
    // Values below zero would fall under a range that starts at 0: the range then starts at the
    // nice floor of the lowest value instead.
    const double low = chart.DataMinY() < 0.0 ? -NiceCeiling(-chart.DataMinY()) : 0.0;
    const double high = chart.HasData() ? chart.DataMaxY() : 0.0;
    chart.SetAxisRanges(0.0, static_cast<double>(rows - 1), low, high);
    return true;
}

}  // namespace talven
