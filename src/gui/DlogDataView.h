#pragma once
// "DLOG Data View": one channel's records as a table. The table is a view onto the record set:
// rows are made as they scroll into sight, so a channel of a million records opens at once.

#include <QAbstractTableModel>
#include <QDialog>

#include <memory>

#include "dlog/ui/DlogDataAccess.h"
#include "gui/DlogWindowSupport.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;

namespace talven::gui {

class DlogDataTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    DlogDataTableModel(QObject* parent, const CDataRecordSet& set, bool samplesBox,
                       const DateFormatSlots& formats);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    const DlogDataTable& Table() const { return table_; }

  private:
    DlogDataTable table_;
};

class CDASDataViewDialog : public QDialog {
    Q_OBJECT
  public:
    /// The instrument and site name the graph's title takes; shown must outlive the dialog.
    CDASDataViewDialog(QWidget* parent, IDlogInstrument& instrument, const DlogDataSet& shown,
                       bool samplesBox, const DlogWindowOptions& options, std::string siteName);
    ~CDASDataViewDialog() override;

    QTableView* Table() const { return table_; }
    void SaveData();
    void GraphData();

  protected:
    void done(int result) override;

  private:
    void FitColumns();

    IDlogInstrument& instrument_;
    const DlogDataSet& data_;
    bool samplesBox_;
    DlogWindowOptions options_;
    std::string siteName_;
    QTableView* table_ = nullptr;
    DlogDataTableModel* model_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    std::unique_ptr<WidgetProgress> saving_;
};

}  // namespace talven::gui
