#pragma once
// The link dialogs on Qt: the port settings dialog (baud rate, data bits, parity, stop bits,
// XON/XOFF), the settings of each link type as one widget (the instrument property sheet's
// Connection page, and the transports' own properties dialogs), and the editor through which a
// link's EditProperties opens them.

#include <QDialog>

#include <vector>

#include "app/ui/LinkSettings.h"
#include "transport/Connection.h"

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

namespace talven::gui {

class PortSettingsDialog : public QDialog {
    Q_OBJECT
  public:
    PortSettingsDialog(QWidget* parent, const QString& portName, const PortSettingsValues& values);
    /// What the dialog shows (after OK: what the user chose).
    PortSettingsValues Values() const;
    /// "&Restore Defaults": 19200 baud, 8 data bits, no parity, one stop bit, no flow control.
    void RestoreDefaults();

  private:
    void Load(const PortSettingsValues& values);

    QComboBox* baud_;
    QComboBox* dataBits_;
    QComboBox* parity_;
    QComboBox* stopBits_;
    QComboBox* flow_;
};

/// "19200 baud, 8 data bits, no parity, 1 stop bit" and the flow control.
QString DescribePortSettings(const PortSettingsValues& values);

/// The type list and the chosen type's fields, bound to a CLinkSettings.
class LinkSettingsWidget : public QWidget {
    Q_OBJECT
  public:
    /// multiplexorAddress: shown (read-only) as the host of a multiplexor instrument.
    LinkSettingsWidget(QWidget* parent, CLinkSettings& settings, const QString& multiplexorAddress = {});
    /// Shows the values again (after the type changed).
    void Load();
    /// Puts the cursor in the field the presenter refused.
    void FocusProblem();

  private:
    QWidget* BuildSerialPage();
    QWidget* BuildModemPage();
    QWidget* BuildTelephonyPage();
    QWidget* BuildTcpPage();
    QComboBox* MakePortBox();
    QPushButton* MakeConfigureButton(QLabel*& summary);
    void AddPortRows(QFormLayout* form, QComboBox* port, QPushButton* configure, QLabel* summary);
    QLineEdit* MakeNumberField(const char* name, std::string LinkValues::*field, int chars);
    void ConfigurePort();
    void ShowType(int type);

    CLinkSettings& settings_;
    QString multiplexorAddress_;
    std::vector<QLabel*> labels_;
    QComboBox* type_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QComboBox* serialPort_ = nullptr;
    QComboBox* modemPort_ = nullptr;
    QLabel* serialSummary_ = nullptr;
    QLabel* modemSummary_ = nullptr;
    QComboBox* modem_ = nullptr;
    QLineEdit* modemNumber_ = nullptr;
    QLineEdit* modemTimeout_ = nullptr;
    QComboBox* device_ = nullptr;
    QLineEdit* tapiNumber_ = nullptr;
    QLineEdit* tapiTimeout_ = nullptr;
    QPushButton* tapiConfigure_ = nullptr;
    QLineEdit* host_ = nullptr;
    QLineEdit* tcpPort_ = nullptr;
};

/// A transport's own properties dialog: its fields without the type list; OK writes them into
/// the link.
class LinkPropertiesDialog : public QDialog {
    Q_OBJECT
  public:
    LinkPropertiesDialog(QWidget* parent, CConnection& link);
    void accept() override;

  private:
    CConnection& link_;
    CLinkSettings settings_;
    LinkSettingsWidget* widget_;
};

/// Opens LinkPropertiesDialog for CConnection::EditProperties. The program installs one at start.
class QtConnectionEditor : public ConnectionEditor {
  public:
    bool EditCommPort(CCommPortConnection& connection) override;
    bool EditModem(CModemConnection& connection) override;
    bool EditTAPIModem(CTAPIModemConnection& connection) override;
    bool EditTCP(CTCPConnection& connection) override;
};

}  // namespace talven::gui
