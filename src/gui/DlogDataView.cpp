#include "gui/DlogDataView.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

#include "dlog/DlogInstrument.h"
#include "gui/DlogDialogs.h"
#include "gui/DlogGraph.h"
#include "gui/QtPlatform.h"

namespace talven::gui {

namespace {

/// Rows measured to fit a column: the first ones and the last one; measuring all of a million
/// would take longer than the user waits.
constexpr std::size_t kMeasuredRows = 64;
constexpr int kTimeColumnWidth = 120;

}  // namespace

DlogDataTableModel::DlogDataTableModel(QObject* parent, const CDataRecordSet& set, bool samplesBox,
                                       const DateFormatSlots& formats)
    : QAbstractTableModel(parent), table_(set, samplesBox, formats) {}

int DlogDataTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(std::min<std::size_t>(table_.RowCount(), INT32_MAX));
}

int DlogDataTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(table_.ColumnCount());
}

QVariant DlogDataTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const auto column = static_cast<std::size_t>(index.column());
    if (role == Qt::DisplayRole)
        return ToQt(table_.CellText(static_cast<std::size_t>(index.row()), column)).trimmed();
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(table_.IsNumeric(column) ? Qt::AlignRight | Qt::AlignVCenter
                                                            : Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

QVariant DlogDataTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    return ToQt(table_.HeaderText(static_cast<std::size_t>(section)));
}

CDASDataViewDialog::CDASDataViewDialog(QWidget* parent, IDlogInstrument& instrument, const DlogDataSet& shown,
                                       bool samplesBox, const DlogWindowOptions& options,
                                       std::string siteName)
    : QDialog(parent),
      instrument_(instrument),
      data_(shown),
      samplesBox_(samplesBox),
      options_(options),
      siteName_(std::move(siteName)) {
    setWindowTitle(tr("DLOG Data View"));
    setSizeGripEnabled(true);
    table_ = new QTableView(this);
    model_ = new DlogDataTableModel(this, shown.set, samplesBox, options_.formats);
    table_->setModel(model_);
    table_->setShowGrid(true);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setWordWrap(false);
    table_->verticalHeader()->setVisible(false);
    // Fixed row heights: the view then never asks every row for its size.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table_->horizontalHeader()->setHighlightSections(false);
    FitColumns();

    auto* close = new QPushButton(tr("Close"), this);
    auto* graph = new QPushButton(tr("&Graph Data"), this);
    auto* save = new QPushButton(tr("&Save Data"), this);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(graph, &QPushButton::clicked, this, &CDASDataViewDialog::GraphData);
    connect(save, &QPushButton::clicked, this, &CDASDataViewDialog::SaveData);
    status_ = new QLabel(this);
    progress_ = new QProgressBar(this);
    progress_->setTextVisible(false);
    progress_->setMaximumWidth(200);
    saving_ = std::make_unique<WidgetProgress>(status_, progress_, true);
    saving_->End();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status_, 1);
    buttons->addWidget(progress_);
    buttons->addWidget(graph);
    buttons->addWidget(save);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);
    resize(760, 480);
    RestorePlacement(*this, kPlaceDlogDataView);
}

CDASDataViewDialog::~CDASDataViewDialog() = default;

void CDASDataViewDialog::FitColumns() {
    const DlogDataTable& t = model_->Table();
    const QFontMetrics cells(table_->font());
    const QFontMetrics heads(table_->horizontalHeader()->font());
    std::vector<std::size_t> rows;
    for (std::size_t r = 0; r < std::min(t.RowCount(), kMeasuredRows); ++r)
        rows.push_back(r);
    if (t.RowCount() > kMeasuredRows)
        rows.push_back(t.RowCount() - 1);
    for (std::size_t c = 0; c < t.ColumnCount(); ++c) {
        int width = heads.horizontalAdvance(ToQt(t.HeaderText(c))) + 24;
        for (std::size_t r : rows)
            width = std::max(width, cells.horizontalAdvance(ToQt(t.CellText(r, c)).trimmed()) + 16);
        if (c == 0)
            width = std::max(width, kTimeColumnWidth);
        table_->setColumnWidth(static_cast<int>(c), width);
    }
}

void CDASDataViewDialog::SaveData() {
    DialogReplaceQuestion question(this);
    SaveDataSet(instrument_, data_, samplesBox_, options_.formats, question, saving_.get(), DateTime::Now());
}

void CDASDataViewDialog::GraphData() {
    std::unique_ptr<DlogGraph> graph =
        MakeDlogGraph(data_, instrument_.GetInstrumentName(), siteName_, options_.formats);
    if (graph)
        OpenGraphWindow(std::move(graph));
}

void CDASDataViewDialog::done(int result) {
    RememberPlacement(*this, kPlaceDlogDataView);
    QDialog::done(result);
}

}  // namespace talven::gui
