#include "gui/DlogGraph.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

#include "dlog/DlogMessages.h"
#include "dlog/ui/DlogDataAccess.h"
#include "foundation/FileWrite.h"
#include "foundation/Messages.h"
#include "foundation/UserPrompt.h"
#include "gui/DlogWindowSupport.h"
#include "gui/QtPlatform.h"

namespace talven::gui {

namespace {

const QColor kBackground(192, 192, 192);

/// The line of one series through its pixel columns.
std::vector<QLineF> SeriesLines(const std::vector<CChart::ColumnSpan>& spans) {
    std::vector<QLineF> lines;
    lines.reserve(spans.size() * 2);
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const CChart::ColumnSpan& s = spans[i];
        const double x = s.column + 0.5;
        if (s.joined && i > 0) {
            const CChart::ColumnSpan& before = spans[i - 1];
            lines.emplace_back(before.column + 0.5, before.last, x, s.first);
        }
        const bool alone = !s.joined && (i + 1 == spans.size() || !spans[i + 1].joined);
        if (s.top != s.bottom || alone)
            lines.emplace_back(x, s.top, x, s.bottom + (s.top == s.bottom ? 0.5 : 0.0));
    }
    return lines;
}

void DrawLegend(QPainter& p, const CChart& c, const QRectF& area) {
    const QFontMetricsF fm(p.font());
    const double swatch = 18.0;
    double x = area.left();
    double y = area.top();
    for (std::size_t i = 0; i < c.GetSeriesCount(); ++i) {
        const QString name = ToQt(c.GetSeriesName(i));
        const double width = swatch + 6 + fm.horizontalAdvance(name) + 16;
        if (x > area.left() && x + width > area.right()) {
            x = area.left();
            y += fm.height() + 2;
        }
        if (y + fm.height() > area.bottom())
            return;  // no room for more: the chart itself matters more
        p.setPen(QPen(CChartWidget::SeriesColour(i), 2));
        const double mid = y + fm.height() / 2;
        p.drawLine(QPointF(x, mid), QPointF(x + swatch, mid));
        p.setPen(Qt::black);
        p.drawText(QRectF(x + swatch + 6, y, width, fm.height()), Qt::AlignLeft | Qt::AlignVCenter, name);
        x += width;
    }
}

}  // namespace

CChartWidget::CChartWidget(QWidget* parent, std::unique_ptr<CChart> chart)
    : QWidget(parent), chart_(std::move(chart)) {
    setMinimumSize(320, 240);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QColor CChartWidget::SeriesColour(std::size_t i) {
    static const QColor palette[] = {QColor(0, 70, 200),  QColor(200, 0, 0),   QColor(0, 140, 0),
                                     QColor(160, 0, 160), QColor(230, 120, 0), QColor(0, 150, 150),
                                     QColor(120, 70, 20), QColor(90, 90, 90),  QColor(130, 130, 0),
                                     QColor(0, 0, 110),   QColor(120, 0, 0),   QColor(240, 0, 130)};
    constexpr std::size_t kCount = sizeof palette / sizeof palette[0];
    if (i < kCount)
        return palette[i];
    return QColor::fromHsv(static_cast<int>((i * 47) % 360), 220, 170);
}

void CChartWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Draw(painter, size());
}

QImage CChartWidget::Picture(const QSize& size) const {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    Draw(painter, size);
    return image;
}

void CChartWidget::Draw(QPainter& p, const QSize& size) const {
    const CChart& c = *chart_;
    QFont font("Tahoma");
    font.setPointSizeF(QWidget::font().pointSizeF());
    p.setFont(font);
    const QFontMetricsF fm(font);
    p.fillRect(QRect(QPoint(0, 0), size), kBackground);

    const CChart::Layout l = c.LayoutFor(size.width(), size.height());
    const QRectF plot(QPointF(l.left, l.top), QPointF(l.right, l.bottom));
    p.fillRect(plot, Qt::white);
    QFont bold = font;
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(Qt::black);
    p.drawText(QRectF(0, 0, size.width(), l.top), Qt::AlignCenter, ToQt(c.GetTitle()));
    p.setFont(font);

    // Division lines with the values (or labels) at them.
    const QPen grid(QColor(170, 170, 170), 0, Qt::DotLine);
    const std::vector<std::string> yTexts = c.YAxisTexts();
    for (std::size_t i = 0; i < yTexts.size(); ++i) {
        const double y = l.bottom - static_cast<double>(i) * plot.height() / c.GetYDivisions();
        p.setPen(grid);
        p.drawLine(QPointF(l.left, y), QPointF(l.right, y));
        p.setPen(Qt::black);
        p.drawText(QRectF(0, y - fm.height() / 2, l.left - 6, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                   ToQt(yTexts[i]));
    }
    const std::vector<std::string> xTexts = c.XAxisTexts();
    double lastRight = -1e9;
    for (std::size_t i = 0; i < xTexts.size(); ++i) {
        const double x = l.left + static_cast<double>(i) * plot.width() / c.GetXDivisions();
        p.setPen(grid);
        p.drawLine(QPointF(x, l.top), QPointF(x, l.bottom));
        const QString text = ToQt(xTexts[i]);
        const double width = fm.horizontalAdvance(text);
        // Texts that would run into the one before are left out.
        if (x - width / 2 <= lastRight + 6)
            continue;
        p.setPen(Qt::black);
        p.drawText(QRectF(x - width / 2, l.bottom + 4, width, fm.height()), Qt::AlignCenter, text);
        lastRight = x + width / 2;
    }
    const double titleTop = l.bottom + 4 + fm.height();
    p.drawText(QRectF(l.left, titleTop, plot.width(), fm.height()), Qt::AlignCenter, ToQt(c.GetXTitle()));
    if (!c.GetYTitle().empty()) {
        p.save();
        p.translate(fm.height() / 2 + 2, (l.top + l.bottom) / 2);
        p.rotate(-90);
        p.drawText(QRectF(-plot.height() / 2, -fm.height() / 2, plot.height(), fm.height()), Qt::AlignCenter,
                   ToQt(c.GetYTitle()));
        p.restore();
    }

    p.save();
    p.setClipRect(plot);
    for (std::size_t s = 0; s < c.GetSeriesCount(); ++s) {
        const std::vector<CChart::ColumnSpan> spans = c.ReduceToColumns(s, l);
        const QColor colour = SeriesColour(s);
        if (c.GetPlotStyle() != CChart::kStylePoints) {
            p.setPen(QPen(colour, 0));
            const std::vector<QLineF> lines = SeriesLines(spans);
            p.drawLines(lines.data(), static_cast<int>(lines.size()));
        }
        // Markers only where there is room to tell them apart.
        if (c.GetPlotStyle() != CChart::kStyleLines &&
            spans.size() * 4 < static_cast<std::size_t>(plot.width())) {
            p.setPen(colour);
            p.setBrush(colour);
            for (const CChart::ColumnSpan& span : spans)
                p.drawRect(QRectF(span.column - 1.5, span.first - 2, 4, 4));
            p.setBrush(Qt::NoBrush);
        }
    }
    p.restore();
    p.setPen(Qt::black);
    p.drawRect(plot);

    const double legendTop = titleTop + fm.height() + 4;
    DrawLegend(p, c, QRectF(l.left, legendTop, plot.width(), size.height() - legendTop - 2));
}

// --- Graph window ---------------------------------------------------------------------------------

CGraphWindow::CGraphWindow(std::unique_ptr<DlogGraph> graph) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::Window);
    setWindowTitle(ToQt(graph->title));
    chart_ = new CChartWidget(this, std::move(graph->chart));
    auto* menuBar = new QMenuBar(this);
    QMenu* menu = menuBar->addMenu(tr("&Graph"));
    QAction* copy = menu->addAction(tr("&Copy"), this, &CGraphWindow::CopyPicture);
    copy->setShortcut(QKeySequence::Copy);
    QAction* save = menu->addAction(tr("Save &Picture..."), this, [this] { SavePicture(); });
    save->setShortcut(QKeySequence::Save);
    menu->addSeparator();
    QAction* close = menu->addAction(tr("C&lose"), this, &QWidget::close);
    close->setShortcuts({QKeySequence::Close, QKeySequence(Qt::Key_Escape)});
    addAction(copy);
    addAction(save);
    addAction(close);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setMenuBar(menuBar);
    layout->addWidget(chart_);
    resize(720, 480);
    RestorePlacement(*this, kPlaceGraph);
    GraphWindowCount::Opened();
}

CGraphWindow::~CGraphWindow() {
    GraphWindowCount::Closed();
}

void CGraphWindow::closeEvent(QCloseEvent* event) {
    RememberPlacement(*this, kPlaceGraph);
    event->accept();
}

bool CGraphWindow::SavePicture() {
    FileDialogRequest request;
    request.filter = FormatMessage(msg::kPictureFilter);
    request.defaultExtension = ".png";
    request.initialName = CleanFileName(FromQt(windowTitle().trimmed())) + ".png";
    request.promptOverwrite = true;
    const std::optional<std::string> path = GetUserPrompt().SaveFile(request);
    if (!path)
        return false;
    if (chart_->Picture(chart_->size()).save(ToQt(*path), "PNG"))
        return true;
    GetUserPrompt().MessageBox(FormatMessage(msg::kUnableToSavePicture, *path),
                               FormatMessage(msg::kCaptionError), mb::kIconWarning);
    return false;
}

void CGraphWindow::CopyPicture() {
    QGuiApplication::clipboard()->setImage(chart_->Picture(chart_->size()));
}

CGraphWindow* OpenGraphWindow(std::unique_ptr<DlogGraph> graph) {
    auto* window = new CGraphWindow(std::move(graph));
    window->show();
    return window;
}

}  // namespace talven::gui
