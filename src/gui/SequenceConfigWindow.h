#pragma once
// The "Sequence Configuration" window of one calibrator: the tree of its sequences and steps, the
// buttons, the context menus, dragging steps, and the status text and progress bar of a transfer.
// The rules are SequenceConfigPresenter's; this class binds the widgets to it.

#include <QDialog>
#include <QTreeWidget>

#include <array>
#include <memory>

#include "calibrator/ui/SequenceConfigPresenter.h"
#include "gui/QtPlatform.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace talven::gui {

/// The tree: sequences at the top, their steps below. Steps can be dragged within and between
/// sequences; where a drop lands is decided by the presenter.
class SequenceTree : public QTreeWidget {
    Q_OBJECT
  public:
    SequenceTree(SequenceConfigPresenter& presenter, QWidget* parent);

    static SequenceItem ItemOf(const QTreeWidgetItem* item);
    /// Where a step dropped at pos (viewport coordinates) would go: the sequence and the position
    /// before which it lands; sequence -1 when nowhere.
    std::pair<int, int> DropTarget(const QPoint& pos) const;
    /// Drops the step at pos: onto a sequence at its end, onto the upper half of a step before
    /// it, onto the lower half after it. True when the step moved (stepDropped follows).
    bool DropAt(SequenceItem step, const QPoint& pos);

  signals:
    void stepDropped();

  protected:
    void startDrag(Qt::DropActions supported) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    SequenceConfigPresenter& presenter_;
    SequenceItem dragged_;  // the step being dragged from this tree
};

class SequenceConfigWindow : public QDialog, public NotificationSink {
    Q_OBJECT
  public:
    SequenceConfigWindow(std::unique_ptr<SequenceConfigPresenter> presenter, QWidget* parent);
    ~SequenceConfigWindow() override;

    SequenceConfigPresenter& presenter() { return *presenter_; }
    SequenceTree& tree() { return *tree_; }
    QPushButton* button(SequenceButton which) { return buttons_[static_cast<std::size_t>(which)]; }
    QProgressBar& progress() { return *progress_; }
    QLabel& status() { return *status_; }

    void OnNotification(int code, std::uintptr_t wParam, std::intptr_t lParam) override;
    /// Closes without any question (the instrument is going away).
    void CloseNow();

  public slots:
    /// Escape: the same as "Close".
    void reject() override;
    /// Redraws the tree from the instrument's list.
    void Rebuild();
    /// Enables the buttons and shows the transfer's state (also the connection's, which the
    /// window polls).
    void RefreshState();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Press(SequenceButton which);
    void ShowContextMenu(const QPoint& pos);
    void SelectionChanged();

    std::unique_ptr<SequenceConfigPresenter> presenter_;
    std::unique_ptr<NotificationRegistration> registration_;
    SequenceTree* tree_ = nullptr;
    std::array<QPushButton*, kSequenceButtonCount> buttons_{};
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QTimer* poll_ = nullptr;
    bool rebuilding_ = false;
    bool closingNow_ = false;
};

}  // namespace talven::gui
