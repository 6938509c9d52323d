#pragma once
// The chart drawn from its model, and the graph window that holds one: title, axes with their
// division lines and texts, each series in its own colour reduced to one span per pixel column,
// and a legend. The window saves the picture as PNG and copies it to the clipboard.

#include <QImage>
#include <QWidget>

#include <memory>

#include "dlog/Chart.h"

namespace talven {
struct DlogGraph;
}

namespace talven::gui {

class CChartWidget : public QWidget {
    Q_OBJECT
  public:
    CChartWidget(QWidget* parent, std::unique_ptr<CChart> chart);
    const CChart& Chart() const { return *chart_; }
    /// The chart drawn at a size, as saved and copied.
    QImage Picture(const QSize& size) const;
    /// The colour of series i.
    static QColor SeriesColour(std::size_t i);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void Draw(QPainter& painter, const QSize& size) const;
    std::unique_ptr<CChart> chart_;
};

/// An independent window with one chart. At most three are open at once (the caller checks
/// before making one); each remembers its rectangle for the next.
class CGraphWindow : public QWidget {
    Q_OBJECT
  public:
    explicit CGraphWindow(std::unique_ptr<DlogGraph> graph);
    ~CGraphWindow() override;

    CChartWidget* ChartWidget() const { return chart_; }
    /// The picture to a PNG file chosen in a save dialog; false when cancelled or not written
    /// (said so).
    bool SavePicture();
    void CopyPicture();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    CChartWidget* chart_ = nullptr;
};

/// Opens a graph window for the graph (each window counts itself open while it lives).
CGraphWindow* OpenGraphWindow(std::unique_ptr<DlogGraph> graph);

}  // namespace talven::gui
