#include "gui/ConnectionDialogs.h"

#include <algorithm>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "gui/DialogSupport.h"
#include "gui/QtPlatform.h"
#include "transport/CommPortConnection.h"
#include "transport/ModemConnection.h"
#include "transport/TAPIModemConnection.h"
#include "transport/TCPConnection.h"

namespace talven::gui {

namespace {

QComboBox* MakeChoiceBox(const char* name, const std::vector<std::string>& texts) {
    auto* box = new QComboBox;
    box->setObjectName(name);
    for (const std::string& text : texts)
        box->addItem(ToQt(text));
    return box;
}

void SetText(QLineEdit* edit, const std::string& text) {
    const QSignalBlocker block(edit);
    edit->setText(ToQt(text));
}

}  // namespace

// --- Port settings ---------------------------------------------------------------------------------

PortSettingsDialog::PortSettingsDialog(QWidget* parent, const QString& portName,
                                       const PortSettingsValues& values)
    : QDialog(parent) {
    setWindowTitle(portName.isEmpty() ? QString("Port Settings")
                                      : QString("Port Settings - %1").arg(portName));
    setObjectName("portSettingsDialog");
    auto* layout = new QVBoxLayout(this);
    QFormLayout* form = MakeForm();
    baud_ = new QComboBox;
    baud_->setObjectName("baudRate");
    dataBits_ = new QComboBox;
    dataBits_->setObjectName("dataBits");
    for (std::uint32_t bits : PortSettingsChoices::DataBits())
        dataBits_->addItem(QString::number(bits), bits);
    parity_ = MakeChoiceBox("parity", PortSettingsChoices::ParityNames());
    stopBits_ = MakeChoiceBox("stopBits", PortSettingsChoices::StopBitNames());
    flow_ = MakeChoiceBox("flowControl", PortSettingsChoices::FlowControlNames());
    AddRow(form, "&Bits per second:", baud_);
    AddRow(form, "&Data bits:", dataBits_);
    AddRow(form, "&Parity:", parity_);
    AddRow(form, "&Stop bits:", stopBits_);
    AddRow(form, "&Flow control:", flow_);
    layout->addLayout(form);
    auto* restore = new QPushButton("&Restore Defaults");
    restore->setObjectName("restorePortDefaults");
    restore->setAutoDefault(false);
    auto* restoreRow = new QHBoxLayout;
    restoreRow->addStretch();
    restoreRow->addWidget(restore);
    layout->addLayout(restoreRow);
    layout->addWidget(MakeOkCancel(this));
    connect(restore, &QPushButton::clicked, this, &PortSettingsDialog::RestoreDefaults);
    Load(values);
    setMinimumWidth(300);
}

void PortSettingsDialog::Load(const PortSettingsValues& values) {
    baud_->clear();
    for (std::uint32_t rate : PortSettingsChoices::BaudRates(values.baudRate))
        baud_->addItem(QString::number(rate), rate);
    baud_->setCurrentIndex(baud_->findData(values.baudRate));
    const int bits = dataBits_->findData(values.dataBits);
    if (bits < 0)
        dataBits_->addItem(QString::number(values.dataBits), values.dataBits);
    dataBits_->setCurrentIndex(dataBits_->findData(values.dataBits));
    parity_->setCurrentIndex(values.parity <= 4 ? static_cast<int>(values.parity) : 0);
    stopBits_->setCurrentIndex(PortSettingsChoices::IndexOfStopBits(values.stopBits));
    flow_->setCurrentIndex(values.xonXoff ? 1 : 0);
}

PortSettingsValues PortSettingsDialog::Values() const {
    PortSettingsValues v;
    v.baudRate = baud_->currentData().toUInt();
    v.dataBits = dataBits_->currentData().toUInt();
    v.parity = static_cast<std::uint32_t>(parity_->currentIndex());
    v.stopBits = PortSettingsChoices::StopBitsOfIndex(stopBits_->currentIndex());
    v.xonXoff = flow_->currentIndex() == 1;
    return v;
}

void PortSettingsDialog::RestoreDefaults() {
    Load(PortSettingsValues{});
}

QString DescribePortSettings(const PortSettingsValues& v) {
    static const char* kParity[] = {"no parity", "odd parity", "even parity", "mark parity", "space parity"};
    return QString("%1 baud, %2 data bits, %3, %4 stop bit%5%6")
        .arg(v.baudRate)
        .arg(v.dataBits)
        .arg(kParity[v.parity <= 4 ? v.parity : 0])
        .arg(v.stopBits == 2 ? 2 : 1)
        .arg(v.stopBits == 2 ? "s" : "")
        .arg(v.xonXoff ? ", Xon / Xoff" : "");
}

// --- Link settings ---------------------------------------------------------------------------------

LinkSettingsWidget::LinkSettingsWidget(QWidget* parent, CLinkSettings& settings,
                                       const QString& multiplexorAddress)
    : QWidget(parent), settings_(settings), multiplexorAddress_(multiplexorAddress) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    QFormLayout* top = MakeForm();
    type_ = MakeChoiceBox("linkType", CLinkSettings::TypeNames());
    type_->setEnabled(!settings.IsTypeFixed());
    labels_.push_back(AddRow(top, "Connection &type:", type_));
    layout->addLayout(top);
    pages_ = new QStackedWidget;
    pages_->addWidget(BuildSerialPage());
    pages_->addWidget(BuildModemPage());
    pages_->addWidget(BuildTelephonyPage());
    pages_->addWidget(BuildTcpPage());
    layout->addWidget(pages_);
    layout->addStretch();
    // The type's form and each page's form line up as one.
    int widest = 0;
    for (QLabel* label : labels_)
        widest = std::max(widest, label->sizeHint().width());
    for (QLabel* label : labels_)
        label->setMinimumWidth(widest);
    connect(type_, &QComboBox::activated, this, [this](int index) {
        settings_.SetType(static_cast<LinkType>(index));
        Load();
    });
    Load();
}

QComboBox* LinkSettingsWidget::MakePortBox() {
    auto* box = new QComboBox;
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMinimumContentsLength(24);
    for (const std::string& port : settings_.PortChoices())
        box->addItem(ToQt(port));
    connect(box, &QComboBox::currentTextChanged, this,
            [this](const QString& text) { settings_.Values().portName = FromQt(text); });
    return box;
}

QPushButton* LinkSettingsWidget::MakeConfigureButton(QLabel*& summary) {
    auto* button = new QPushButton("&Configure...");
    button->setAutoDefault(false);
    summary = new QLabel;
    connect(button, &QPushButton::clicked, this, &LinkSettingsWidget::ConfigurePort);
    return button;
}

QLineEdit* LinkSettingsWidget::MakeNumberField(const char* name, std::string LinkValues::*field, int chars) {
    QLineEdit* edit = MakeNumberEdit(chars);
    edit->setObjectName(name);
    connect(edit, &QLineEdit::textEdited, this,
            [this, field](const QString& text) { settings_.Values().*field = FromQt(text); });
    return edit;
}

QWidget* LinkSettingsWidget::BuildSerialPage() {
    auto* page = new QWidget;
    QFormLayout* form = MakeForm();
    form->setContentsMargins(0, 0, 0, 0);
    page->setLayout(form);
    serialPort_ = MakePortBox();
    serialPort_->setObjectName("serialPort");
    QPushButton* configure = MakeConfigureButton(serialSummary_);
    configure->setObjectName("serialConfigure");
    AddPortRows(form, serialPort_, configure, serialSummary_);
    return page;
}

void LinkSettingsWidget::AddPortRows(QFormLayout* form, QComboBox* port, QPushButton* configure,
                                     QLabel* summary) {
    auto* row = new QHBoxLayout;
    row->addWidget(port, 1);
    row->addWidget(configure);
    auto* label = new QLabel("&Port:");
    label->setBuddy(port);
    form->addRow(label, row);
    labels_.push_back(label);
    auto* settingsLabel = new QLabel("Settings:");
    form->addRow(settingsLabel, summary);
    labels_.push_back(settingsLabel);
}

QWidget* LinkSettingsWidget::BuildModemPage() {
    auto* page = new QWidget;
    QFormLayout* form = MakeForm();
    form->setContentsMargins(0, 0, 0, 0);
    page->setLayout(form);
    modemPort_ = MakePortBox();
    modemPort_->setObjectName("modemPort");
    QPushButton* configure = MakeConfigureButton(modemSummary_);
    configure->setObjectName("modemConfigure");
    AddPortRows(form, modemPort_, configure, modemSummary_);
    modem_ = new QComboBox;
    modem_->setObjectName("modem");
    connect(modem_, &QComboBox::activated, this, [this](int index) { settings_.SelectModem(index); });
    labels_.push_back(AddRow(form, "&Modem:", modem_));
    modemNumber_ = new QLineEdit;
    modemNumber_->setObjectName("modemNumber");
    connect(modemNumber_, &QLineEdit::textEdited, this,
            [this](const QString& text) { settings_.Values().telephoneNumber = FromQt(text); });
    labels_.push_back(AddRow(form, "Telephone &number:", modemNumber_));
    modemTimeout_ = MakeNumberField("modemTimeout", &LinkValues::connectTimeoutText, 6);
    labels_.push_back(AddRow(form, "Connect time-&out (s):", modemTimeout_));
    return page;
}

QWidget* LinkSettingsWidget::BuildTelephonyPage() {
    auto* page = new QWidget;
    QFormLayout* form = MakeForm();
    form->setContentsMargins(0, 0, 0, 0);
    page->setLayout(form);
    device_ = new QComboBox;
    device_->setObjectName("device");
    device_->setMinimumContentsLength(24);
    connect(device_, &QComboBox::activated, this, [this](int index) {
        settings_.SelectDevice(index);
        tapiConfigure_->setEnabled(settings_.DeviceIndex() >= 0);
    });
    tapiConfigure_ = new QPushButton("&Configure...");
    tapiConfigure_->setObjectName("deviceConfigure");
    tapiConfigure_->setAutoDefault(false);
    connect(tapiConfigure_, &QPushButton::clicked, this, [this] { settings_.ConfigureDevice(); });
    auto* row = new QHBoxLayout;
    row->addWidget(device_, 1);
    row->addWidget(tapiConfigure_);
    auto* label = new QLabel("&Device:");
    label->setBuddy(device_);
    form->addRow(label, row);
    labels_.push_back(label);
    tapiNumber_ = new QLineEdit;
    tapiNumber_->setObjectName("telephonyNumber");
    tapiNumber_->setMaxLength(CLinkSettings::kMaxTelephoneNumber);
    connect(tapiNumber_, &QLineEdit::textEdited, this,
            [this](const QString& text) { settings_.Values().telephoneNumber = FromQt(text); });
    labels_.push_back(AddRow(form, "Telephone &number:", tapiNumber_));
    tapiTimeout_ = MakeNumberField("telephonyTimeout", &LinkValues::connectTimeoutText, 4);
    labels_.push_back(AddRow(form, "Connect time-&out (s):", tapiTimeout_));
    return page;
}

QWidget* LinkSettingsWidget::BuildTcpPage() {
    auto* page = new QWidget;
    QFormLayout* form = MakeForm();
    form->setContentsMargins(0, 0, 0, 0);
    page->setLayout(form);
    host_ = new QLineEdit;
    host_->setObjectName("host");
    connect(host_, &QLineEdit::textEdited, this,
            [this](const QString& text) { settings_.Values().host = FromQt(text); });
    QLabel* hostLabel = AddRow(form, "&Host:", host_);
    labels_.push_back(hostLabel);
    if (!multiplexorAddress_.isEmpty()) {
        host_->setReadOnly(true);
        hostLabel->setText("Multiplexor &address:");
        host_->setToolTip("Change it in the multiplexor's properties");
    }
    tcpPort_ = MakeNumberField("tcpPort", &LinkValues::tcpPortText, 5);
    labels_.push_back(AddRow(form, multiplexorAddress_.isEmpty() ? "&Port:" : "Channel &port:", tcpPort_));
    return page;
}

void LinkSettingsWidget::Load() {
    const LinkValues& v = settings_.Values();
    {
        const QSignalBlocker block(type_);
        type_->setCurrentIndex(v.type);
    }
    ShowType(v.type);
    for (QComboBox* port : {serialPort_, modemPort_}) {
        const QSignalBlocker block(port);
        port->setCurrentText(ToQt(v.portName));
    }
    serialSummary_->setText(DescribePortSettings(v.port));
    modemSummary_->setText(DescribePortSettings(v.port));

    {
        const QSignalBlocker block(modem_);
        modem_->clear();
        for (const IdChoice& choice : settings_.ModemChoices())
            modem_->addItem(ToQt(choice.name));
        modem_->setCurrentIndex(settings_.ModemIndex());
        modem_->setPlaceholderText(modem_->count() == 0 ? "(the modems list is empty)" : "(choose a modem)");
    }
    {
        const QSignalBlocker block(device_);
        device_->clear();
        for (const IdChoice& choice : settings_.DeviceChoices())
            device_->addItem(ToQt(choice.name));
        device_->setCurrentIndex(settings_.DeviceIndex());
        device_->setPlaceholderText(device_->count() == 0 ? "(no telephony devices installed)"
                                                          : "(choose a device)");
        tapiConfigure_->setEnabled(settings_.DeviceIndex() >= 0);
    }
    SetText(modemNumber_, v.telephoneNumber);
    SetText(tapiNumber_, v.telephoneNumber);
    SetText(modemTimeout_, v.connectTimeoutText);
    SetText(tapiTimeout_, v.connectTimeoutText);
    SetText(host_, v.host);
    SetText(tcpPort_, v.tcpPortText);
}

void LinkSettingsWidget::ShowType(int type) {
    pages_->setCurrentIndex(type);
    // Only the shown page takes part in the tab order and the size.
    for (int i = 0; i < pages_->count(); ++i)
        pages_->widget(i)->setSizePolicy(QSizePolicy::Preferred,
                                         i == type ? QSizePolicy::Preferred : QSizePolicy::Ignored);
    pages_->adjustSize();
}

void LinkSettingsWidget::ConfigurePort() {
    PortSettingsDialog dialog(this, ToQt(settings_.Values().portName), settings_.Values().port);
    if (dialog.exec() != QDialog::Accepted)
        return;
    settings_.Values().port = dialog.Values();
    serialSummary_->setText(DescribePortSettings(settings_.Values().port));
    modemSummary_->setText(DescribePortSettings(settings_.Values().port));
}

void LinkSettingsWidget::FocusProblem() {
    const bool modem = settings_.GetType() == kModemLink;
    QWidget* field = nullptr;
    switch (settings_.ProblemField()) {
        case CLinkSettings::kPortNameField:
            field = modem ? modemPort_ : serialPort_;
            break;
        case CLinkSettings::kTelephoneNumberField:
            field = modem ? modemNumber_ : tapiNumber_;
            break;
        case CLinkSettings::kConnectTimeoutField:
            field = modem ? modemTimeout_ : tapiTimeout_;
            break;
        case CLinkSettings::kTcpPortField:
            field = tcpPort_;
            break;
        default:
            break;
    }
    if (field == nullptr)
        return;
    field->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->selectAll();
}

// --- A transport's own dialog ------------------------------------------------------------------------

LinkPropertiesDialog::LinkPropertiesDialog(QWidget* parent, CConnection& link)
    : QDialog(parent), link_(link), settings_(link, true) {
    setWindowTitle(ToQt(CLinkSettings::TypeNames()[static_cast<std::size_t>(settings_.GetType())]) +
                   " Properties");
    setObjectName("linkPropertiesDialog");
    auto* layout = new QVBoxLayout(this);
    widget_ = new LinkSettingsWidget(this, settings_);
    layout->addWidget(widget_);
    layout->addWidget(MakeOkCancel(this));
}

void LinkPropertiesDialog::accept() {
    if (!settings_.Check()) {
        widget_->FocusProblem();
        return;
    }
    WriteLinkValues(settings_.Values(), link_);
    QDialog::accept();
}

namespace {
bool EditLink(CConnection& link) {
    LinkPropertiesDialog dialog(QApplication::activeWindow(), link);
    return dialog.exec() == QDialog::Accepted;
}
}  // namespace

bool QtConnectionEditor::EditCommPort(CCommPortConnection& connection) {
    return EditLink(connection);
}
bool QtConnectionEditor::EditModem(CModemConnection& connection) {
    return EditLink(connection);
}
bool QtConnectionEditor::EditTAPIModem(CTAPIModemConnection& connection) {
    return EditLink(connection);
}
bool QtConnectionEditor::EditTCP(CTCPConnection& connection) {
    return EditLink(connection);
}

}  // namespace talven::gui
