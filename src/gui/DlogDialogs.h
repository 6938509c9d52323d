#pragma once
// The DLOG dialogs: the channel property sheet (Basic and Advanced), the parameter dialog,
// "Select Records" and the "Save As" question on an existing file. Each binds its widgets to its
// presenter and closes only when the presenter accepts.

#include <QDialog>

#include <memory>

#include "dlog/ui/DlogDataAccess.h"
#include "dlog/ui/DlogDialogPresenters.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTabWidget;
class QTimeEdit;

namespace talven::gui {

/// Three fields, days, hours and minutes, of a period.
class PeriodEdit;

class CDASChannelSheet : public QDialog {
    Q_OBJECT
  public:
    CDASChannelSheet(QWidget* parent, IDlogInstrument& instrument, CDASChannel& channel,
                     const DateFormatSlots& formats);
    ~CDASChannelSheet() override;

    void accept() override;
    /// The pages, for tests: 0 Basic, 1 Advanced.
    QTabWidget* Pages() const { return pages_; }

  private:
    QWidget* MakeBasicPage();
    QWidget* MakeAdvancedPage();
    void Load();
    void Store();
    void UpdateEnabling();
    void OnPageChanged(int index);
    void SelectRecords();
    void SelectFile();

    DlogChannelSheetPresenter presenter_;
    IDlogInstrument& instrument_;
    QTabWidget* pages_ = nullptr;
    int currentPage_ = 0;
    QLineEdit* name_ = nullptr;
    QSpinBox* records_ = nullptr;
    QComboBox* event_ = nullptr;
    QCheckBox* enabled_ = nullptr;
    QCheckBox* holdOff_ = nullptr;
    QCheckBox* report_ = nullptr;
    QCheckBox* compact_ = nullptr;
    QDateEdit* startDate_ = nullptr;
    QTimeEdit* startTime_ = nullptr;
    PeriodEdit* samplePeriod_ = nullptr;
    PeriodEdit* reportPeriod_ = nullptr;
    QCheckBox* autoDownload_ = nullptr;
    PeriodEdit* downloadPeriod_ = nullptr;
    QLineEdit* lastDownload_ = nullptr;
    QLineEdit* downloadFile_ = nullptr;
    QCheckBox* append_ = nullptr;
};

class CDASParameterDialog : public QDialog {
    Q_OBJECT
  public:
    CDASParameterDialog(QWidget* parent, IDlogInstrument& instrument, CDASParameter& parameter);
    void accept() override;

  private:
    void Store();
    DlogParameterPresenter presenter_;
    QComboBox* point_ = nullptr;
    QComboBox* mode_ = nullptr;
    QSpinBox* precision_ = nullptr;
    QCheckBox* storeSamples_ = nullptr;
};

class CSelectRecordsDialog : public QDialog {
    Q_OBJECT
  public:
    CSelectRecordsDialog(QWidget* parent, const CSelectionSet& selection, bool hasFromTo);
    void accept() override;
    /// The selection as accepted.
    const CSelectionSet& Selection() const { return selection_; }

  private:
    void Store();
    void UpdateEnabling();
    SelectRecordsPresenter presenter_;
    CSelectionSet selection_;
    QButtonGroup* modes_ = nullptr;
    QSpinBox* counts_[5] = {};
    QDateEdit* fromDate_ = nullptr;
    QTimeEdit* fromTime_ = nullptr;
    QDateEdit* toDate_ = nullptr;
    QTimeEdit* toTime_ = nullptr;
    QCheckBox* useInstrument_ = nullptr;
};

/// "Save As": the file exists; replace it, append to it, or choose again.
class CFileSaveAsDialog : public QDialog {
    Q_OBJECT
  public:
    CFileSaveAsDialog(QWidget* parent, const std::string& path);
    ReplaceChoice Choice() const { return choice_; }

  private:
    ReplaceChoice choice_ = ReplaceChoice::kCancel;
};

/// Asks through CFileSaveAsDialog, parented to a window.
class DialogReplaceQuestion : public ReplaceOrAppendQuestion {
  public:
    explicit DialogReplaceQuestion(QWidget* parent) : parent_(parent) {}
    ReplaceChoice AskReplaceOrAppend(const std::string& path) override;

  private:
    QWidget* parent_;
};

}  // namespace talven::gui
