#pragma once
// The line chart of downloaded records without its drawing: series storage, the text labels of the
// points, the visible ranges and how values map onto the plot area, the axis texts, and each
// series reduced to one span per pixel column so that a million points draw as fast as a thousand.
// The window that draws it lives in the GUI; this class never paints.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "dlog/DataRecord.h"

namespace talven {

class CDataRecordSet;

/// The smallest "round" value at or above v: 1, 2 or 5 times a power of ten, or ten times the
/// step, as the y axis's upper end uses it (37 gives 50, 7.3 gives 10, 1.5 gives 2, 0.3 gives 1,
/// 120 gives 200). Not finite in, v out.
double NiceCeiling(double v);

class CChart {
  public:
    static constexpr int kStyleLines = 0;
    static constexpr int kStylePoints = 1;
    static constexpr int kStyleLinesAndPoints = 2;
    /// The most points one chart holds (all series together, 16 bytes each, 512 MiB): beyond it
    /// storage is refused rather than taking the machine's memory.
    static constexpr std::size_t kMaxPoints = std::size_t{1} << 25;

    /// The visible ranges.
    struct Ranges {
        double xMin = 0.0;
        double xMax = 10.0;
        double yMin = 0.0;
        double yMax = 10.0;
    };

    /// Where the plot area lies in a client area, and the units one pixel stands for.
    struct Layout {
        double left = 0.0;
        double top = 0.0;
        double right = 0.0;
        double bottom = 0.0;
        double xPerPixel = 1.0;
        double yPerPixel = 1.0;
        double X(double x, const Ranges& r) const { return left + (x - r.xMin) / xPerPixel; }
        double Y(double y, const Ranges& r) const { return bottom - (y - r.yMin) / yPerPixel; }
    };

    /// One pixel column of a series: the vertical pixels of its first, last, lowest and highest
    /// point there; joined when the line comes to it from the span before (no gap between).
    struct ColumnSpan {
        int column = 0;
        double first = 0.0;
        double last = 0.0;
        double top = 0.0;
        double bottom = 0.0;
        bool joined = false;
    };

    /// Frees the previous storage and reserves series x points (x and y each); says "Can not
    /// allocate series" and returns false when that cannot be had. Data bounds start afresh.
    bool AllocateStorage(std::size_t series, std::size_t points);
    /// False (nothing stored) without storage or outside it. A value that is not finite is stored
    /// as a gap: it is not drawn and does not widen the data bounds.
    bool SetPoint(std::size_t series, std::size_t index, double x, double y);
    void SetPointLabel(std::size_t index, std::string text);
    /// The labels of points 0 .. times.size() - 1 as time stamps in format, formatted when shown:
    /// the graph of a million records keeps four bytes per label.
    void SetTimeLabels(std::vector<std::uint32_t> times, std::string format);
    void SetSeriesName(std::size_t series, std::string name);

    /// Each range end is taken from the data bounds when its flag is set, else kept; then the
    /// ranges are applied. Without any point set, the data bounds are not used.
    void SetAxisRangesFromData(bool xMin, bool xMax, bool yMin, bool yMax);
    /// y-max becomes the nice ceiling of the requested y-max; an empty y range starts 1 below
    /// y-max, an empty x range 1 left of x-max.
    void SetAxisRanges(double xMin, double xMax, double yMin, double yMax);
    void SetAxisTitles(std::string x, std::string y);
    void SetGridDivisions(int x, int y);
    /// 0 lines, 1 points, 2 both; other values are ignored.
    void SetPlotStyle(int style);
    void SetTitle(std::string title);

    const Ranges& GetRanges() const { return ranges_; }
    const std::string& GetTitle() const { return title_; }
    const std::string& GetXTitle() const { return xTitle_; }
    const std::string& GetYTitle() const { return yTitle_; }
    int GetXDivisions() const { return xDivisions_; }
    int GetYDivisions() const { return yDivisions_; }
    int GetPlotStyle() const { return plotStyle_; }
    std::size_t GetSeriesCount() const { return series_.size(); }
    std::size_t GetPointCapacity() const { return points_; }
    bool IsSeriesUsed(std::size_t series) const;
    const std::string& GetSeriesName(std::size_t series) const;
    /// Highest index set in the series; -1 when none.
    long GetHighestIndex(std::size_t series) const;
    /// The label of a point index; empty when it has none.
    std::string GetPointLabel(std::size_t index) const;
    bool HasLabels() const { return labelsUsed_; }
    bool HasData() const { return dataMinX_ <= dataMaxX_; }
    double DataMinY() const { return dataMinY_; }
    double DataMaxY() const { return dataMaxY_; }

    /// The plot area of a client area: a tenth of the width off each side, a tenth of the height
    /// off the top and a fifth off the bottom.
    Layout LayoutFor(int width, int height) const;
    /// The y axis's texts, y-min first ("%5.2f"), one per division line.
    std::vector<std::string> YAxisTexts() const;
    /// The x axis's texts, one per division line: point labels when there are any, else the values
    /// ("%5.1f").
    std::vector<std::string> XAxisTexts() const;
    /// The series's points inside the x range, one span per pixel column they fall in, in column
    /// order; columns without points are left out. A gap (a value that is not finite) breaks the
    /// line: the span after it is not joined, even within the same column.
    std::vector<ColumnSpan> ReduceToColumns(std::size_t series, const Layout& layout) const;

  private:
    struct Series {
        std::vector<double> x;
        std::vector<double> y;
        std::string name;
        bool used = false;
        long highest = -1;
    };

    std::string title_ = "Untitled Chart";
    std::string xTitle_ = "x";
    std::string yTitle_ = "y";
    int xDivisions_ = 10;
    int yDivisions_ = 10;
    int plotStyle_ = kStyleLinesAndPoints;
    Ranges ranges_;
    std::vector<Series> series_;
    std::size_t points_ = 0;
    std::vector<std::string> labels_;
    std::vector<std::uint32_t> labelTimes_;
    std::string labelFormat_;
    bool labelsUsed_ = false;
    long highestLabel_ = -1;
    double dataMinX_ = 1e99;
    double dataMaxX_ = -1e99;
    double dataMinY_ = 1e99;
    double dataMaxY_ = -1e99;
};

/// Graph windows open in the process; a fourth is refused. Window thread only.
class GraphWindowCount {
  public:
    static constexpr int kMaxOpen = 3;
    static bool CanOpen();
    static void Opened();
    static void Closed();
    static int Open();
};

/// The chart of a record set as "Graph Data" shows it: one series per column named after its
/// parameter (with its units), one point per row at x = the row and y = the value (an invalid
/// record as 0), the rows' time stamps (first column, graph date format) as labels, x from 0 to
/// the last row and y from 0 (or, when values lie below 0, from the nice floor of the lowest) to
/// the nice ceiling of the highest value. Axis titles "Time" and empty, lines, 10 by 10 grid.
/// False after saying "Error allocating chart storage" when the storage cannot be had; also
/// false, silently, for a set without columns or rows. Takes the data lock.
bool FillChartFromRecordSet(CChart& chart, const CDataRecordSet& set, const DateFormatSlots& formats);

}  // namespace talven
