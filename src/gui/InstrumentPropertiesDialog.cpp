#include "gui/InstrumentPropertiesDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "gui/ConnectionDialogs.h"
#include "gui/QtPlatform.h"

namespace talven::gui {

namespace {

QGroupBox* MakeGroup(const char* title, QLayout* contents) {
    auto* group = new QGroupBox(title);
    group->setLayout(contents);
    return group;
}

// A check box that switches a field on, in the left column, and the field beside it.
void AddCheckedRow(QGridLayout* grid, int row, QCheckBox* box, QWidget* field) {
    grid->addWidget(box, row, 0);
    grid->addWidget(field, row, 1);
}

}  // namespace

InstrumentPropertiesDialog::InstrumentPropertiesDialog(QWidget* parent, CInstrumentNode& node, bool isNew)
    : PropertySheetDialog(parent), sheet_(node, isNew) {
    setWindowTitle(ToQt(sheet_.Title()));
    setObjectName("instrumentPropertiesDialog");
    BuildGeneral();
    BuildConnection();
    BuildSecurity();
    BuildTiming();
    checkPage = [this](int page) { return sheet_.CheckPage(page); };
    confirm = [this](int& failed) {
        const bool ok = sheet_.Apply();
        failed = sheet_.FailedPage();
        return ok;
    };
    focusProblem = [this] { FocusProblem(); };
    Load();
}

QLineEdit* InstrumentPropertiesDialog::BindText(QLineEdit* edit, std::string InstrumentPageValues::*field) {
    texts_.emplace_back(edit, field);
    connect(edit, &QLineEdit::textEdited, this,
            [this, field](const QString& t) { sheet_.Values().*field = FromQt(t); });
    return edit;
}

QCheckBox* InstrumentPropertiesDialog::BindCheck(QCheckBox* box, bool InstrumentPageValues::*field) {
    checks_.emplace_back(box, field);
    connect(box, &QCheckBox::toggled, this, [this, field](bool on) {
        sheet_.Values().*field = on;
        UpdateEnabled();
    });
    return box;
}

void InstrumentPropertiesDialog::BuildGeneral() {
    QVBoxLayout* layout = nullptr;
    AddPage("General", layout);
    QFormLayout* form = MakeForm();
    name_ = BindText(new QLineEdit, &InstrumentPageValues::name);
    name_->setObjectName("name");
    name_->setMinimumWidth(260);
    AddRow(form, "&Name:", name_);
    layout->addLayout(form);

    auto* idGrid = new QGridLayout;
    idEnabled_ = BindCheck(new QCheckBox("Send instrument &ID:"), &InstrumentPageValues::idEnabled);
    idEnabled_->setObjectName("idEnabled");
    id_ = BindText(MakeNumberEdit(10), &InstrumentPageValues::idText);
    id_->setObjectName("instrumentId");
    AddCheckedRow(idGrid, 0, idEnabled_, id_);
    idGrid->setColumnStretch(2, 1);
    layout->addWidget(MakeGroup("Multidrop", idGrid));

    auto* portGrid = new QGridLayout;
    auto* group = new QButtonGroup(this);
    const char* texts[3] = {"&RS232_MODE", "RS232_MODE&2", "&Other variable:"};
    for (int i = 0; i < 3; ++i) {
        ports_[i] = new QRadioButton(texts[i]);
        ports_[i]->setObjectName(QString("port%1").arg(i));
        group->addButton(ports_[i], i);
        portGrid->addWidget(ports_[i], i, 0);
    }
    modeVariable_ = BindText(new QLineEdit, &InstrumentPageValues::modeVariableName);
    modeVariable_->setObjectName("modeVariable");
    portGrid->addWidget(modeVariable_, 2, 1);
    portGrid->setColumnStretch(1, 1);
    layout->addWidget(MakeGroup("Instrument port mode variable", portGrid));
    connect(group, &QButtonGroup::idClicked, this, [this](int port) {
        sheet_.SetPort(port);
        const QSignalBlocker block(modeVariable_);
        modeVariable_->setText(ToQt(sheet_.Values().modeVariableName));
        UpdateEnabled();
    });
    layout->addStretch();
}

void InstrumentPropertiesDialog::BuildConnection() {
    QVBoxLayout* layout = nullptr;
    AddPage("Connection", layout);
    link_ = new LinkSettingsWidget(this, sheet_.Link(), ToQt(sheet_.MultiplexorAddress()));
    layout->addWidget(link_);
    layout->addStretch();
}

void InstrumentPropertiesDialog::BuildSecurity() {
    QVBoxLayout* layout = nullptr;
    AddPage("Security", layout);
    auto* logOn = new QGridLayout;
    passwordEnabled_ =
        BindCheck(new QCheckBox("Log on with &password:"), &InstrumentPageValues::passwordEnabled);
    passwordEnabled_->setObjectName("passwordEnabled");
    password_ = BindText(MakeNumberEdit(6), &InstrumentPageValues::passwordText);
    password_->setObjectName("password");
    AddCheckedRow(logOn, 0, passwordEnabled_, password_);
    logOn->setColumnStretch(2, 1);
    layout->addWidget(MakeGroup("Log-on", logOn));

    auto* codes = new QGridLayout;
    selectEnabled_ = BindCheck(new QCheckBox("Send &select code:"), &InstrumentPageValues::selectEnabled);
    selectEnabled_->setObjectName("selectEnabled");
    select_ = BindText(new QLineEdit, &InstrumentPageValues::selectText);
    select_->setObjectName("selectCode");
    deselectEnabled_ =
        BindCheck(new QCheckBox("Send &deselect code:"), &InstrumentPageValues::deselectEnabled);
    deselectEnabled_->setObjectName("deselectEnabled");
    deselect_ = BindText(new QLineEdit, &InstrumentPageValues::deselectText);
    deselect_->setObjectName("deselectCode");
    AddCheckedRow(codes, 0, selectEnabled_, select_);
    AddCheckedRow(codes, 1, deselectEnabled_, deselect_);
    auto* hint = new QLabel(
        "Write a byte that is not printable as \\x and two hexadecimal digits (\\x1B is "
        "escape), and a backslash as \\\\.");
    hint->setWordWrap(true);
    codes->addWidget(hint, 2, 0, 1, 2);
    codes->setColumnStretch(1, 1);
    layout->addWidget(MakeGroup("Code-activated switch", codes));
    layout->addStretch();
}

void InstrumentPropertiesDialog::BuildTiming() {
    QVBoxLayout* layout = nullptr;
    AddPage("Timing", layout);
    QFormLayout* form = MakeForm();
    receiveTimeout_ = BindText(MakeNumberEdit(5), &InstrumentPageValues::receiveTimeoutText);
    receiveTimeout_->setObjectName("receiveTimeout");
    transmitDelay_ = BindText(MakeNumberEdit(5), &InstrumentPageValues::transmitDelayText);
    transmitDelay_->setObjectName("transmitDelay");
    AddRow(form, "&Receive time-out (ms, 500 to 10000):", receiveTimeout_);
    AddRow(form, "&Transmit delay (ms, 0 to 500):", transmitDelay_);
    auto* defaults = new QPushButton("&Defaults");
    defaults->setObjectName("timingDefaults");
    defaults->setAutoDefault(false);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(defaults);
    auto* communication = new QVBoxLayout;
    communication->addLayout(form);
    communication->addLayout(row);
    layout->addWidget(MakeGroup("Communication", communication));
    connect(defaults, &QPushButton::clicked, this, [this] {
        sheet_.TimingDefaults();
        Load();
    });

    auto* grid = new QGridLayout;
    autoDisconnectEnabled_ = BindCheck(new QCheckBox("Disconnect &automatically after (minutes, 0 to 60):"),
                                       &InstrumentPageValues::autoDisconnectEnabled);
    autoDisconnectEnabled_->setObjectName("autoDisconnectEnabled");
    autoDisconnect_ = BindText(MakeNumberEdit(3), &InstrumentPageValues::autoDisconnectText);
    autoDisconnect_->setObjectName("autoDisconnect");
    AddCheckedRow(grid, 0, autoDisconnectEnabled_, autoDisconnect_);
    grid->setColumnStretch(2, 1);
    layout->addWidget(MakeGroup("Idle connection", grid));
    layout->addStretch();
}

void InstrumentPropertiesDialog::Load() {
    const InstrumentPageValues& v = sheet_.Values();
    for (auto& [edit, field] : texts_) {
        const QSignalBlocker block(edit);
        edit->setText(ToQt(v.*field));
    }
    for (auto& [box, field] : checks_) {
        const QSignalBlocker block(box);
        box->setChecked(v.*field);
    }
    ports_[v.port]->setChecked(true);
    link_->Load();
    UpdateEnabled();
}

void InstrumentPropertiesDialog::UpdateEnabled() {
    const InstrumentPageValues& v = sheet_.Values();
    id_->setEnabled(v.idEnabled);
    modeVariable_->setEnabled(v.port == 2);
    password_->setEnabled(v.passwordEnabled);
    select_->setEnabled(v.selectEnabled);
    deselect_->setEnabled(v.deselectEnabled);
    autoDisconnect_->setEnabled(v.autoDisconnectEnabled);
}

void InstrumentPropertiesDialog::FocusProblem() {
    QLineEdit* field = nullptr;
    switch (sheet_.ProblemField()) {
        case CInstrumentPropertySheet::kIdField:
            field = id_;
            break;
        case CInstrumentPropertySheet::kModeVariableField:
            field = modeVariable_;
            break;
        case CInstrumentPropertySheet::kLinkField:
            link_->FocusProblem();
            return;
        case CInstrumentPropertySheet::kPasswordField:
            field = password_;
            break;
        case CInstrumentPropertySheet::kSelectField:
            field = select_;
            break;
        case CInstrumentPropertySheet::kDeselectField:
            field = deselect_;
            break;
        case CInstrumentPropertySheet::kReceiveTimeoutField:
            field = receiveTimeout_;
            break;
        case CInstrumentPropertySheet::kTransmitDelayField:
            field = transmitDelay_;
            break;
        case CInstrumentPropertySheet::kAutoDisconnectField:
            field = autoDisconnect_;
            break;
        default:
            return;
    }
    field->setFocus();
    field->selectAll();
}

}  // namespace talven::gui
