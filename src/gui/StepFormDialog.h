#pragma once
// The one dialog class of the calibrator's forms: every step kind's properties, the sequence and
// level properties and the step-type choice are drawn from their form's field list. The form keeps
// the values and the rules; the dialog binds widgets to it and redraws what a change affects.

#include <QDialog>

#include <map>
#include <string>
#include <vector>

#include "calibrator/ui/CalibratorForm.h"

class QAbstractButton;
class QCheckBox;
class QLabel;
class QWidget;

namespace talven::gui {

class StepFormDialog : public QDialog {
    Q_OBJECT
  public:
    StepFormDialog(CalibratorForm& form, QWidget* parent);

    /// The widget that edits a field (for a bit set, its own enable box; for radio buttons, the
    /// first), or null.
    QWidget* FieldWidget(const std::string& key) const;
    /// A bit set's boxes, left to right.
    std::vector<QCheckBox*> BitBoxes(const std::string& key) const;

  public slots:
    /// OK: the form's checks; the dialog stays open on the field that failed.
    void accept() override;

  private:
    struct Bound {
        QWidget* editor = nullptr;  // the widget that takes focus
        QWidget* row = nullptr;     // everything enabled and disabled with the field
        QLabel* suffix = nullptr;
        QLabel* label = nullptr;
        std::vector<QAbstractButton*> buttons;  // radio buttons, or a bit set's boxes
        QCheckBox* enable = nullptr;            // a bit set's own box
    };

    QWidget* MakeField(const FormField& field, Bound& bound);
    QWidget* MakeNumber(const FormField& field, Bound& bound);
    QWidget* MakeChoice(const FormField& field, Bound& bound);
    QWidget* MakeBits(const FormField& field, Bound& bound);
    void Changed();
    /// Brings every widget in line with the form: enabling, units, notes (and values, after a
    /// button changed them).
    void Refresh(bool values);
    void ShowValue(const FormField& field, Bound& bound);

    CalibratorForm& form_;
    std::map<std::string, Bound> bound_;
    bool refreshing_ = false;
};

/// Runs forms as modal dialogs over the active window.
class QtFormRunner : public FormRunner {
  public:
    bool Run(CalibratorForm& form) override;
};

}  // namespace talven::gui
