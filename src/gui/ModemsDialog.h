#pragma once
// The modems dialog (the configuration's Hayes modems) and the modem properties dialog.

#include <QDialog>

#include <array>

#include "app/ui/ModemsDialog.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace talven::gui {

class ModemPropertiesDialog : public QDialog {
    Q_OBJECT
  public:
    ModemPropertiesDialog(QWidget* parent, CModemSettings& modem);
    void accept() override;

  private:
    CModemPropertiesDialog presenter_;
    std::array<QLineEdit*, CModemPropertiesDialog::kFieldCount> fields_{};
};

class ModemsDialog : public QDialog {
    Q_OBJECT
  public:
    ModemsDialog(QWidget* parent, CNetworkConfiguration& configuration, bool confirmDeletes);
    CModemsDialog& Presenter() { return presenter_; }

  private:
    void Refresh();

    CModemsDialog presenter_;
    QListWidget* list_;
    QPushButton* edit_;
    QPushButton* delete_;
    QPushButton* duplicate_;
};

}  // namespace talven::gui
