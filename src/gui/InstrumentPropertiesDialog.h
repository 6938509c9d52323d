#pragma once
// The instrument property sheet on Qt: pages General, Connection, Security and Timing bound to the
// sheet's presenter.

#include "app/ui/InstrumentPropertySheet.h"
#include "gui/DialogSupport.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace talven::gui {

class LinkSettingsWidget;

class InstrumentPropertiesDialog : public PropertySheetDialog {
    Q_OBJECT
  public:
    InstrumentPropertiesDialog(QWidget* parent, CInstrumentNode& node, bool isNew);
    CInstrumentPropertySheet& Presenter() { return sheet_; }

  private:
    void BuildGeneral();
    void BuildConnection();
    void BuildSecurity();
    void BuildTiming();
    void Load();
    void UpdateEnabled();
    void FocusProblem();
    QLineEdit* BindText(QLineEdit* edit, std::string InstrumentPageValues::*field);
    QCheckBox* BindCheck(QCheckBox* box, bool InstrumentPageValues::*field);

    CInstrumentPropertySheet sheet_;
    std::vector<std::pair<QLineEdit*, std::string InstrumentPageValues::*>> texts_;
    std::vector<std::pair<QCheckBox*, bool InstrumentPageValues::*>> checks_;
    QLineEdit* name_ = nullptr;
    QLineEdit* id_ = nullptr;
    QCheckBox* idEnabled_ = nullptr;
    QRadioButton* ports_[3] = {};
    QLineEdit* modeVariable_ = nullptr;
    LinkSettingsWidget* link_ = nullptr;
    QCheckBox* passwordEnabled_ = nullptr;
    QLineEdit* password_ = nullptr;
    QCheckBox* selectEnabled_ = nullptr;
    QLineEdit* select_ = nullptr;
    QCheckBox* deselectEnabled_ = nullptr;
    QLineEdit* deselect_ = nullptr;
    QLineEdit* receiveTimeout_ = nullptr;
    QLineEdit* transmitDelay_ = nullptr;
    QCheckBox* autoDisconnectEnabled_ = nullptr;
    QLineEdit* autoDisconnect_ = nullptr;
};

}  // namespace talven::gui
