#include "gui/OptionsDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "foundation/Messages.h"
#include "gui/QtPlatform.h"

namespace talven::gui {

OptionsDialog::OptionsDialog(QWidget* parent, const Options& current, bool busy)
    : PropertySheetDialog(parent), sheet_(current, busy) {
    setWindowTitle("Options");
    setObjectName("optionsDialog");
    BuildGeneral();
    BuildDateFormat();
    BuildFrontPanel();
    BuildLogging();
    restore_ = Buttons()->addButton("&Restore defaults", QDialogButtonBox::ResetRole);
    restore_->setObjectName("restoreDefaults");
    restore_->setEnabled(!busy);
    restore_->setAutoDefault(false);
    connect(restore_, &QPushButton::clicked, this, [this] {
        if (sheet_.RestoreDefaults())
            Load();
    });
    checkPage = [this](int page) { return sheet_.CheckPage(page); };
    confirm = [this](int& failed) {
        const bool ok = sheet_.Confirm();
        failed = sheet_.FailedPage();
        return ok;
    };
    focusProblem = [this] { FocusProblem(); };
    Load();
}

QCheckBox* OptionsDialog::Check(QVBoxLayout* layout, const char* text, bool Options::*option,
                                const char* name) {
    auto* box = new QCheckBox(text);
    box->setObjectName(name);
    layout->addWidget(box);
    checks_.emplace_back(box, option);
    connect(box, &QCheckBox::toggled, this, [this, option](bool on) { sheet_.Edited().*option = on; });
    return box;
}

void OptionsDialog::BuildGeneral() {
    QVBoxLayout* layout = nullptr;
    AddPage("General", layout);
    Check(layout, "&Load previous network configuration on startup", &Options::loadPreviousOnStartup,
          "loadPrevious");
    Check(layout, "&Save network configuration automatically on exit", &Options::saveOnExit, "saveOnExit");
    Check(layout, "&Confirm deleting items when editing configuration", &Options::confirmDeletes,
          "confirmDeletes");
    Check(layout, "&Use checkboxes in configuration trees", &Options::checkBoxesInTrees, "checkBoxes");
    Check(layout, "&Detect and report failed connections", &Options::detectFailedConnections, "detectFailed");
    layout->addStretch();
}

void OptionsDialog::BuildDateFormat() {
    QVBoxLayout* layout = nullptr;
    AddPage("Date Format", layout);
    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* usesLabel = new QLabel("Date format &used for:");
    uses_ = new QListWidget;
    uses_->setObjectName("dateUses");
    for (const std::string& use : COptionsPropertySheet::DateFormatUses())
        uses_->addItem(ToQt(use));
    uses_->setMinimumWidth(uses_->sizeHintForColumn(0) + 8);
    uses_->setFixedHeight(uses_->sizeHintForRow(0) * uses_->count() + 2 * uses_->frameWidth() + 4);
    usesLabel->setBuddy(uses_);
    left->addWidget(usesLabel);
    left->addWidget(uses_);
    auto* formatRow = new QHBoxLayout;
    auto* formatLabel = new QLabel("&Format:");
    format_ = new QLineEdit;
    format_->setObjectName("dateFormat");
    format_->setMinimumWidth(format_->fontMetrics().horizontalAdvance("%m/%d/%Y %H:%M:%S (wide)") + 16);
    formatLabel->setBuddy(format_);
    auto* defaults = new QPushButton("&Defaults");
    defaults->setObjectName("dateDefaults");
    defaults->setAutoDefault(false);
    formatRow->addWidget(formatLabel);
    formatRow->addWidget(format_, 1);
    formatRow->addWidget(defaults);
    left->addLayout(formatRow);
    left->addStretch();
    columns->addLayout(left, 1);
    auto* help = new QLabel(ToQt(std::string(MessageText(msg::kDateFormatHelp))));
    help->setObjectName("dateHelp");
    help->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    help->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    columns->addWidget(help);
    layout->addLayout(columns);

    connect(uses_, &QListWidget::currentRowChanged, this, [this](int row) {
        sheet_.SelectUse(row);
        format_->setText(ToQt(sheet_.GetFormatText()));
    });
    connect(format_, &QLineEdit::textEdited, this,
            [this](const QString& text) { sheet_.SetFormatText(FromQt(text)); });
    connect(defaults, &QPushButton::clicked, this, [this] {
        sheet_.RestoreDateFormatDefaults();
        format_->setText(ToQt(sheet_.GetFormatText()));
    });
}

void OptionsDialog::BuildFrontPanel() {
    QVBoxLayout* layout = nullptr;
    AddPage("Front Panel", layout);
    auto* row = new QHBoxLayout;
    Check(layout, "&Update all front panel displays at this periodic interval (seconds)",
          &Options::periodicFrontPanelUpdate, "periodicUpdate");
    interval_ = MakeNumberEdit(3);
    interval_->setObjectName("interval");
    auto* label = new QLabel("&Interval:");
    label->setBuddy(interval_);
    row->addSpacing(20);
    row->addWidget(label);
    row->addWidget(interval_);
    row->addStretch();
    layout->addLayout(row);
    layout->addStretch();
    connect(interval_, &QLineEdit::textEdited, this,
            [this](const QString& t) { sheet_.SetIntervalText(FromQt(t)); });
}

void OptionsDialog::BuildLogging() {
    QVBoxLayout* layout = nullptr;
    AddPage("Logging", layout);
    Check(layout, "Log &commands sent to instruments", &Options::logCommands, "logCommands");
    Check(layout, "Log &responses received from instruments", &Options::logResponses, "logResponses");
    Check(layout, "Log &errors", &Options::logErrors, "logErrors");
    auto* row = new QHBoxLayout;
    auto* label = new QLabel("Log file &name:");
    logName_ = new QLineEdit;
    logName_->setObjectName("logName");
    logName_->setMinimumWidth(260);
    label->setBuddy(logName_);
    auto* browse = new QPushButton("&...");
    browse->setObjectName("browseLog");
    browse->setAutoDefault(false);
    browse->setFixedWidth(browse->fontMetrics().horizontalAdvance("...") + 24);
    row->addWidget(label);
    row->addWidget(logName_, 1);
    row->addWidget(browse);
    layout->addSpacing(8);
    layout->addLayout(row);
    layout->addStretch();
    connect(logName_, &QLineEdit::textEdited, this,
            [this](const QString& text) { sheet_.Edited().logFileName = FromQt(text); });
    connect(browse, &QPushButton::clicked, this, [this] {
        if (sheet_.BrowseLogFile())
            logName_->setText(ToQt(sheet_.Edited().logFileName));
    });
}

void OptionsDialog::Load() {
    for (auto& [box, option] : checks_)
        box->setChecked(sheet_.Edited().*option);
    uses_->setCurrentRow(sheet_.GetSelectedUse());
    format_->setText(ToQt(sheet_.GetFormatText()));
    interval_->setText(ToQt(sheet_.GetIntervalText()));
    logName_->setText(ToQt(sheet_.Edited().logFileName));
}

void OptionsDialog::FocusProblem() {
    QLineEdit* field = Tabs()->currentIndex() == kOptFrontPanelPage ? interval_
                       : Tabs()->currentIndex() == kOptLoggingPage  ? logName_
                                                                    : nullptr;
    if (field != nullptr) {
        field->setFocus();
        field->selectAll();
    }
}

}  // namespace talven::gui
