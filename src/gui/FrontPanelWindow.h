#pragma once
// The front panel window of one instrument: its display, eight keys, two configuration buttons and
// three status lights, drawn from FrontPanelPresenter, which holds every rule. Window thread only.

#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>

#include "app/FrontPanelPresenter.h"
#include "gui/QtPlatform.h"

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;
class QTimer;

namespace talven {
class CInstrumentNode;
}

namespace talven::gui {

class QtFrontPanelHost;

namespace panelui {
class LightWidget;
class ReadingArea;
}  // namespace panelui

/// The two sizes a panel is drawn in.
enum class PanelSize { kStandard, kLarge };

class FrontPanelWindow : public QWidget, public NotificationSink, public FrontPanelView {
    Q_OBJECT
  public:
    FrontPanelWindow(QtFrontPanelHost& host, CInstrumentNode& node, PanelSize size);
    /// Destroying the window disconnects its instrument.
    ~FrontPanelWindow() override;

    /// The handle the instrument's worker posts to (0 without a notifier).
    NotifyTarget Target() const;
    std::uint32_t NodeId() const { return nodeId_; }
    FrontPanelPresenter& presenter() { return presenter_; }
    const FrontPanelPresenter& presenter() const { return presenter_; }

    void SetPanelSize(PanelSize size);
    PanelSize GetPanelSize() const { return size_; }
    /// Closes without asking (the idle check): the instrument disconnects.
    void CloseWithoutAsking();
    /// True once the window has closed (it is deleted soon after).
    bool IsClosed() const { return disposed_; }
    /// Draws the presenter's state.
    void Refresh();

    // Widgets, for tests and the manual's screenshots.
    QPushButton* KeyButton(int key) const;
    QPushButton* ConfigButton(int index) const;
    QLabel* ModeLabel() const { return mode_; }
    QLabel* MessageLabel() const { return message_; }
    QMenu* InstrumentMenu() const { return instrumentMenu_; }
    /// The text of every field of a line of the reading area, joined by blanks ("" when hidden).
    QString ReadingLineText(int line) const;
    bool IsLightLit(int index) const;
    QString LightName(int index) const;

    // NotificationSink
    void OnNotification(int code, std::uintptr_t wParam, std::intptr_t lParam) override;
    // FrontPanelView
    void StartRowLayoutTimer(int ms) override;
    void RunPanelWindow(PanelWindow window) override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void BuildWidgets();
    void BuildMenu();
    void RebuildInstrumentMenu();
    void ApplyMetrics();
    void RefreshButtons();
    void Dispose();

    QtFrontPanelHost& host_;
    const std::uint32_t nodeId_;
    CInstrumentNode* const createdFor_;
    FrontPanelPresenter presenter_;
    std::unique_ptr<NotificationRegistration> registration_;
    PanelSize size_;
    bool disposed_ = false;
    bool closingWithoutAsking_ = false;
    bool askingToClose_ = false;

    QMenuBar* menuBar_ = nullptr;
    QMenu* instrumentMenu_ = nullptr;
    QAction* largeAction_ = nullptr;
    QAction* disconnectAction_ = nullptr;
    QWidget* display_ = nullptr;
    QLabel* mode_ = nullptr;
    QLabel* message_ = nullptr;
    panelui::ReadingArea* readings_ = nullptr;
    std::array<panelui::LightWidget*, 3> lights_{};
    std::array<QLabel*, 3> lightNames_{};
    std::array<QPushButton*, 8> keys_{};
    std::array<QPushButton*, 2> configButtons_{};
    QTimer* secondTimer_ = nullptr;
    QTimer* rowTimer_ = nullptr;
};

}  // namespace talven::gui
