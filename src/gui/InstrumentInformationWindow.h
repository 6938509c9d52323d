#pragma once
// The Instrument Information window: modeless, one per instrument, refreshed while it is open
// (a connect may finish meanwhile) and closed when its instrument leaves the configuration.

#include <QDialog>

#include "app/ui/InstrumentInformation.h"

class QListWidget;
class QTimer;

namespace talven::gui {

class InstrumentInformationWindow : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kRefreshMs = 1000;

    InstrumentInformationWindow(QWidget* parent, const CInstrumentNode& node);
    /// Reads the lines again; closes the window when the instrument is gone.
    void Refresh();
    /// The window open for the node, or null.
    static InstrumentInformationWindow* Find(std::uint32_t nodeId);

  private:
    CInstrumentInformation information_;
    QListWidget* lines_;
    QTimer* timer_;
};

}  // namespace talven::gui
