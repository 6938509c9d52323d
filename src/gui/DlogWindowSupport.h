#pragma once
// What the DLOG windows share: the options they read, the screen rectangles they remember, the
// DLOG view of each instrument node (kept for the program's life, as requests hold it), and a
// status text with a progress bar that stays painted while a file is written.

#include <QElapsedTimer>
#include <QString>

#include "app/Options.h"
#include "dlog/CsvExport.h"
#include "dlog/ui/DlogDataAccess.h"

class QDate;
class QLabel;
class QProgressBar;
class QTime;
class QWidget;

namespace talven {
class CInstrumentNode;
class CTALVENApp;
class InstrumentNodeDlog;
struct DateTimePickers;
}  // namespace talven

namespace talven::gui {

/// The application whose options the DLOG windows read and whose settings keep their
/// rectangles; null: the default options, rectangles in QSettings.
void SetDlogApplication(CTALVENApp* app);
DlogWindowOptions CurrentDlogOptions();

/// Puts the window where the slot's window last was (when there was one).
void RestorePlacement(QWidget& window, PlacementSlot slot);
void RememberPlacement(const QWidget& window, PlacementSlot slot);

/// The DLOG view of the node, made on first use and kept until forgotten. Its channels are
/// attached to it each time.
InstrumentNodeDlog& DlogOfNode(CInstrumentNode& node);
void ForgetDlogOfNode(const CInstrumentNode& node);

/// Pickers' values to Qt and back.
void ToQt(const DateTimePickers& value, QDate& date, QTime& time);
DateTimePickers FromQt(const QDate& date, const QTime& time);

/// Status text and progress bar of a window. Driven as a transfer's progress (a file written on the
/// window thread), the window is repainted, without taking user input, at most every 50 ms.
class WidgetProgress : public TransferProgress {
  public:
    /// With hideWhenIdle the bar shows only while an operation runs.
    WidgetProgress(QLabel* status, QProgressBar* bar, bool hideWhenIdle = false)
        : status_(status), bar_(bar), hideWhenIdle_(hideWhenIdle) {}
    void Begin(const std::string& status, std::size_t steps) override;
    void Step() override;
    void End() override;
    /// Shows a status and a position from elsewhere (the presenter's), without repainting at once.
    void Show(const std::string& status, std::size_t range, std::size_t position);
    /// Lets the window repaint now (or when 50 ms passed since the last time, unless forced).
    static void KeepPainted(bool force);

  private:
    void Paint();
    QLabel* status_;
    QProgressBar* bar_;
    bool hideWhenIdle_;
    QElapsedTimer sincePaint_;
    std::size_t range_ = 0;
    std::size_t position_ = 0;
};

}  // namespace talven::gui
