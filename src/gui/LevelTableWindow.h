#pragma once
// The "Predefined Levels" window of one calibrator: the list of levels in four columns, the
// buttons, the context menu, and the status text and progress bar of a transfer. The rules are
// LevelTablePresenter's; this class binds the widgets to it.

#include <QDialog>

#include <array>
#include <memory>

#include "calibrator/ui/LevelTablePresenter.h"
#include "gui/QtPlatform.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;

namespace talven::gui {

class LevelTableWindow : public QDialog, public NotificationSink {
    Q_OBJECT
  public:
    LevelTableWindow(std::unique_ptr<LevelTablePresenter> presenter, QWidget* parent);
    ~LevelTableWindow() override;

    LevelTablePresenter& presenter() { return *presenter_; }
    QTreeWidget& list() { return *list_; }
    QPushButton* button(LevelButton which) { return buttons_[static_cast<std::size_t>(which)]; }
    QProgressBar& progress() { return *progress_; }

    void OnNotification(int code, std::uintptr_t wParam, std::intptr_t lParam) override;
    /// Closes without any question (the instrument is going away).
    void CloseNow();

  public slots:
    void reject() override;
    void Rebuild();
    void RefreshState();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Press(LevelButton which);
    void ShowContextMenu(const QPoint& pos);
    void SelectionChanged();

    std::unique_ptr<LevelTablePresenter> presenter_;
    std::unique_ptr<NotificationRegistration> registration_;
    QTreeWidget* list_ = nullptr;
    std::array<QPushButton*, kLevelButtonCount> buttons_{};
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QTimer* poll_ = nullptr;
    bool rebuilding_ = false;
    bool closingNow_ = false;
};

}  // namespace talven::gui
