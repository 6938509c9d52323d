#pragma once
// The options sheet on Qt: the pages General, Date Format, Front Panel and Logging bound to the
// options presenter, with Restore defaults beside OK and Cancel.

#include "app/ui/OptionsSheet.h"
#include "gui/DialogSupport.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace talven::gui {

class OptionsDialog : public PropertySheetDialog {
    Q_OBJECT
  public:
    OptionsDialog(QWidget* parent, const Options& current, bool busy);
    COptionsPropertySheet& Presenter() { return sheet_; }

  private:
    void BuildGeneral();
    void BuildDateFormat();
    void BuildFrontPanel();
    void BuildLogging();
    /// Shows the presenter's copy in every field.
    void Load();
    void FocusProblem();
    QCheckBox* Check(QVBoxLayout* layout, const char* text, bool Options::*option, const char* name);

    COptionsPropertySheet sheet_;
    std::vector<std::pair<QCheckBox*, bool Options::*>> checks_;
    QListWidget* uses_ = nullptr;
    QLineEdit* format_ = nullptr;
    QLineEdit* interval_ = nullptr;
    QLineEdit* logName_ = nullptr;
    QPushButton* restore_ = nullptr;
};

}  // namespace talven::gui
