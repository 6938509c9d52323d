#pragma once
// What the program's dialogs share: a property sheet (tabbed pages whose fields are checked when a
// page is left and when the sheet is confirmed) and small builders for labelled rows.

#include <QDialog>

#include <functional>

class QDialogButtonBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QTabWidget;
class QVBoxLayout;

namespace talven::gui {

/// A dialog of pages with OK and Cancel below them (OK the default button, Escape cancels).
/// Leaving a page asks checkPage; a refused page stays shown. OK asks confirm, which names the page
/// to show when it refuses.
class PropertySheetDialog : public QDialog {
    Q_OBJECT
  public:
    explicit PropertySheetDialog(QWidget* parent);

    /// Adds a page; its contents are laid out from the top.
    QWidget* AddPage(const QString& title, QVBoxLayout*& layout);
    QTabWidget* Tabs() const { return tabs_; }
    QDialogButtonBox* Buttons() const { return buttons_; }

    /// True when the page may be left (the presenter has told the user what is wrong).
    std::function<bool(int page)> checkPage;
    /// True when the sheet may close; otherwise failedPage is set to the page to show.
    std::function<bool(int& failedPage)> confirm;
    /// Puts the cursor in the field the presenter refused.
    std::function<void()> focusProblem;

    void accept() override;

  private:
    void OnPageChanged(int index);

    QTabWidget* tabs_;
    QDialogButtonBox* buttons_;
    int current_ = 0;
};

/// A form (labels on the left, aligned) whose labels are buddies of their fields, for Alt keys.
QFormLayout* MakeForm();
QLabel* AddRow(QFormLayout* form, const QString& label, QWidget* field);
/// OK and Cancel, connected to the dialog.
QDialogButtonBox* MakeOkCancel(QDialog* dialog);
/// A line edit sized for about chars characters.
QLineEdit* MakeNumberEdit(int chars, QWidget* parent = nullptr);

}  // namespace talven::gui
