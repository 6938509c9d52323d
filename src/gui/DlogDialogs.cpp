#include "gui/DlogDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "dlog/DlogMessages.h"
#include "foundation/Messages.h"
#include "gui/DlogWindowSupport.h"
#include "gui/QtPlatform.h"

namespace talven::gui {

namespace {

constexpr const char* kDateFormat = "MM/dd/yyyy";
constexpr const char* kTimeFormat = "HH:mm:ss";

QDateEdit* MakeDateEdit(QWidget* parent, QDate min, QDate max) {
    auto* edit = new QDateEdit(parent);
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(kDateFormat);
    edit->setDateRange(min, max);
    return edit;
}

QTimeEdit* MakeTimeEdit(QWidget* parent) {
    auto* edit = new QTimeEdit(parent);
    edit->setDisplayFormat(kTimeFormat);
    return edit;
}

QDialogButtonBox* MakeOkCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    return buttons;
}

}  // namespace

/// Days (0 to 366), hours (0 to 23) and minutes (0 to 59) side by side.
class PeriodEdit : public QWidget {
  public:
    explicit PeriodEdit(QWidget* parent) : QWidget(parent) {
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(0, 0, 0, 0);
        const struct {
            QSpinBox** box;
            int max;
            const char* unit;
        } fields[] = {{&days_, 366, "days"}, {&hours_, 23, "hours"}, {&minutes_, 59, "minutes"}};
        for (const auto& f : fields) {
            *f.box = new QSpinBox(this);
            (*f.box)->setRange(0, f.max);
            (*f.box)->setAlignment(Qt::AlignRight);
            row->addWidget(*f.box);
            row->addWidget(new QLabel(tr(f.unit), this));
        }
        row->addStretch();
        setFocusProxy(days_);
    }
    void Set(const PeriodFields& f) {
        days_->setValue(static_cast<int>(f.days));
        hours_->setValue(static_cast<int>(f.hours));
        minutes_->setValue(static_cast<int>(f.minutes));
    }
    PeriodFields Get() const {
        return {static_cast<std::uint32_t>(days_->value()), static_cast<std::uint32_t>(hours_->value()),
                static_cast<std::uint32_t>(minutes_->value())};
    }

  private:
    QSpinBox* days_ = nullptr;
    QSpinBox* hours_ = nullptr;
    QSpinBox* minutes_ = nullptr;
};

// --- Channel property sheet -------------------------------------------------------------------------

CDASChannelSheet::CDASChannelSheet(QWidget* parent, IDlogInstrument& instrument, CDASChannel& channel,
                                   const DateFormatSlots& formats)
    : QDialog(parent), presenter_(instrument, channel, formats), instrument_(instrument) {
    setWindowTitle(ToQt(presenter_.Title()));
    pages_ = new QTabWidget(this);
    pages_->addTab(MakeBasicPage(), tr("Basic"));
    pages_->addTab(MakeAdvancedPage(), tr("Advanced"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(MakeOkCancel(this));
    Load();
    connect(pages_, &QTabWidget::currentChanged, this, &CDASChannelSheet::OnPageChanged);
    connect(event_, &QComboBox::currentTextChanged, this, [this] { UpdateEnabling(); });
    UpdateEnabling();
    name_->setFocus();
}

CDASChannelSheet::~CDASChannelSheet() = default;

QWidget* CDASChannelSheet::MakeBasicPage() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    name_ = new QLineEdit(page);
    name_->setMaxLength(static_cast<int>(kMaxChannelNameLength));
    form->addRow(tr("Channel &name:"), name_);
    records_ = new QSpinBox(page);
    records_->setRange(1, DlogChannelSheetPresenter::kMaxRecords);
    records_->setAlignment(Qt::AlignRight);
    records_->setMinimumWidth(110);
    records_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    form->addRow(tr("Number of &records:"), records_);
    event_ = new QComboBox(page);
    for (const std::string& name : presenter_.EventNames())
        event_->addItem(ToQt(name));
    form->addRow(tr("Trigger &event:"), event_);

    auto* flags = new QGridLayout;
    enabled_ = new QCheckBox(tr("Ena&ble Channel"), page);
    holdOff_ = new QCheckBox(tr("&Hold Off"), page);
    report_ = new QCheckBox(tr("&Print Reports"), page);
    compact_ = new QCheckBox(tr("&Compact Reports"), page);
    flags->addWidget(enabled_, 0, 0);
    flags->addWidget(holdOff_, 0, 1);
    flags->addWidget(report_, 1, 0);
    flags->addWidget(compact_, 1, 1);
    form->addRow(flags);

    startDate_ = MakeDateEdit(page, QDate(1970, 1, 1), QDate(2105, 12, 31));
    startTime_ = MakeTimeEdit(page);
    for (QWidget* w : {static_cast<QWidget*>(startDate_), static_cast<QWidget*>(startTime_)}) {
        w->setMinimumWidth(130);
        w->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    form->addRow(tr("Start &date:"), startDate_);
    form->addRow(tr("Start t&ime:"), startTime_);
    samplePeriod_ = new PeriodEdit(page);
    reportPeriod_ = new PeriodEdit(page);
    form->addRow(tr("S&ample period:"), samplePeriod_);
    form->addRow(tr("Rep&ort period:"), reportPeriod_);
    return page;
}

QWidget* CDASChannelSheet::MakeAdvancedPage() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    autoDownload_ = new QCheckBox(tr("&Select this channel for automatic download"), page);
    form->addRow(autoDownload_);
    downloadPeriod_ = new PeriodEdit(page);
    form->addRow(tr("Download &period:"), downloadPeriod_);
    lastDownload_ = new QLineEdit(page);
    lastDownload_->setReadOnly(true);
    lastDownload_->setFocusPolicy(Qt::NoFocus);
    form->addRow(tr("Last download:"), lastDownload_);
    auto* selectRecords = new QPushButton(tr("Select &Records"), page);
    connect(selectRecords, &QPushButton::clicked, this, &CDASChannelSheet::SelectRecords);
    auto* recordsRow = new QHBoxLayout;
    recordsRow->addWidget(selectRecords);
    recordsRow->addStretch();
    form->addRow(QString(), recordsRow);

    auto* fileRow = new QHBoxLayout;
    downloadFile_ = new QLineEdit(page);
    downloadFile_->setMaxLength(static_cast<int>(DlogChannelSheetPresenter::kMaxDownloadFile));
    downloadFile_->setMinimumWidth(280);
    auto* selectFile = new QPushButton(tr("S&elect file"), page);
    connect(selectFile, &QPushButton::clicked, this, &CDASChannelSheet::SelectFile);
    fileRow->addWidget(downloadFile_, 1);
    fileRow->addWidget(selectFile);
    auto* fileLabel = new QLabel(tr("Download &file:"), page);
    fileLabel->setBuddy(downloadFile_);
    form->addRow(fileLabel, fileRow);
    append_ = new QCheckBox(tr("Appe&nd downloaded data to file"), page);
    form->addRow(append_);
    // The pages' fields line up although the pages are laid out apart.
    form->setLabelAlignment(Qt::AlignLeft);
    return page;
}

void CDASChannelSheet::Load() {
    const DlogChannelBasicValues& b = presenter_.basic;
    name_->setText(ToQt(b.name));
    records_->setValue(b.recordCount);
    if (!b.event.empty() && event_->findText(ToQt(b.event), Qt::MatchFixedString) < 0)
        event_->addItem(ToQt(b.event));
    event_->setCurrentIndex(b.event.empty() ? -1 : event_->findText(ToQt(b.event), Qt::MatchFixedString));
    enabled_->setChecked(b.enabled);
    holdOff_->setChecked(b.holdOff);
    report_->setChecked(b.report);
    compact_->setChecked(b.compact);
    QDate date;
    QTime time;
    ToQt(b.start, date, time);
    startDate_->setDate(date);
    startTime_->setTime(time);
    samplePeriod_->Set(b.samplePeriod);
    reportPeriod_->Set(b.reportPeriod);

    const DlogChannelAdvancedValues& a = presenter_.advanced;
    autoDownload_->setChecked(a.autoDownload);
    downloadPeriod_->Set(a.downloadPeriod);
    lastDownload_->setText(ToQt(presenter_.LastDownloadText()));
    downloadFile_->setText(ToQt(a.downloadFile));
    downloadFile_->setCursorPosition(0);
    append_->setChecked(a.append);
}

void CDASChannelSheet::Store() {
    DlogChannelBasicValues& b = presenter_.basic;
    b.name = FromQt(name_->text());
    b.recordCount = records_->value();
    b.event = FromQt(event_->currentText());
    b.enabled = enabled_->isChecked();
    b.holdOff = holdOff_->isChecked();
    b.report = report_->isChecked();
    b.compact = compact_->isChecked();
    b.start = FromQt(startDate_->date(), startTime_->time());
    b.samplePeriod = samplePeriod_->Get();
    b.reportPeriod = reportPeriod_->Get();

    DlogChannelAdvancedValues& a = presenter_.advanced;
    a.autoDownload = autoDownload_->isChecked();
    a.downloadPeriod = downloadPeriod_->Get();
    a.downloadFile = FromQt(downloadFile_->text());
    a.append = append_->isChecked();
}

void CDASChannelSheet::UpdateEnabling() {
    presenter_.basic.event = FromQt(event_->currentText());
    const bool timer = presenter_.TimerFieldsEnabled();
    for (QWidget* w : {static_cast<QWidget*>(startDate_), static_cast<QWidget*>(startTime_),
                       static_cast<QWidget*>(samplePeriod_), static_cast<QWidget*>(reportPeriod_)})
        w->setEnabled(timer);
}

void CDASChannelSheet::OnPageChanged(int index) {
    if (index == currentPage_)
        return;
    Store();
    const bool ok = currentPage_ == 0 ? presenter_.LeaveBasic() : presenter_.LeaveAdvanced();
    if (!ok) {
        const QSignalBlocker block(pages_);
        pages_->setCurrentIndex(currentPage_);
        return;
    }
    currentPage_ = index;
}

void CDASChannelSheet::accept() {
    Store();
    const int refused = presenter_.Accept();
    if (refused < 0) {
        QDialog::accept();
        return;
    }
    const QSignalBlocker block(pages_);
    pages_->setCurrentIndex(refused);
    currentPage_ = refused;
}

void CDASChannelSheet::SelectRecords() {
    CSelectRecordsDialog dialog(this, presenter_.advanced.selection, presenter_.HasFromTo());
    if (dialog.exec() == QDialog::Accepted)
        presenter_.advanced.selection = dialog.Selection();
}

void CDASChannelSheet::SelectFile() {
    Store();
    presenter_.SelectFile();
    downloadFile_->setText(ToQt(presenter_.advanced.downloadFile));
}

// --- Parameter dialog -----------------------------------------------------------------------------------

CDASParameterDialog::CDASParameterDialog(QWidget* parent, IDlogInstrument& instrument,
                                         CDASParameter& parameter)
    : QDialog(parent), presenter_(instrument, parameter) {
    setWindowTitle(ToQt(presenter_.Title()));
    auto* form = new QFormLayout;
    point_ = new QComboBox(this);
    for (const std::string& text : presenter_.Points())
        point_->addItem(ToQt(text));
    point_->setPlaceholderText(ToQt(parameter.GetName()));
    point_->setCurrentIndex(presenter_.point);
    form->addRow(tr("&Parameter:"), point_);
    mode_ = new QComboBox(this);
    for (const std::string& text : presenter_.Modes())
        mode_->addItem(ToQt(text));
    mode_->setPlaceholderText(ToQt(parameter.GetSampleMode()));
    mode_->setCurrentIndex(presenter_.mode);
    form->addRow(tr("Sample &mode:"), mode_);
    precision_ = new QSpinBox(this);
    precision_->setRange(0, DlogParameterPresenter::kMaxPrecision);
    precision_->setValue(presenter_.precision);
    form->addRow(tr("P&recision:"), precision_);
    storeSamples_ = new QCheckBox(tr("&Store number of samples in average"), this);
    storeSamples_->setChecked(presenter_.storeSamples);
    storeSamples_->setEnabled(presenter_.StoreSamplesEnabled());
    form->addRow(storeSamples_);

    auto* buttons = MakeOkCancel(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    auto update = [this, buttons] {
        Store();
        buttons->button(QDialogButtonBox::Ok)->setEnabled(presenter_.CanAccept());
    };
    connect(point_, &QComboBox::currentIndexChanged, this, update);
    connect(mode_, &QComboBox::currentIndexChanged, this, update);
    update();
}

void CDASParameterDialog::Store() {
    presenter_.point = point_->currentIndex();
    presenter_.mode = mode_->currentIndex();
    presenter_.precision = precision_->value();
    presenter_.storeSamples = storeSamples_->isChecked();
}

void CDASParameterDialog::accept() {
    Store();
    if (presenter_.Accept())
        QDialog::accept();
}

// --- Select Records -----------------------------------------------------------------------------------

CSelectRecordsDialog::CSelectRecordsDialog(QWidget* parent, const CSelectionSet& selection, bool hasFromTo)
    : QDialog(parent), presenter_(selection, hasFromTo), selection_(selection) {
    setWindowTitle(ToQt(presenter_.Title()));
    modes_ = new QButtonGroup(this);
    auto* grid = new QGridLayout;
    const char* labels[] = {"&All",
                            "&Since last download",
                            "Most recent &records",
                            "Most recent &hours",
                            "Most recent &days",
                            "Most recent &weeks",
                            "Most recent &months",
                            "&Between"};
    const std::int32_t counts[] = {presenter_.records, presenter_.hours, presenter_.days, presenter_.weeks,
                                   presenter_.months};
    for (int mode = 0; mode < 8; ++mode) {
        auto* radio = new QRadioButton(tr(labels[mode]), this);
        modes_->addButton(radio, mode);
        grid->addWidget(radio, mode, 0);
        if (mode >= CSelectionSet::kRecentRecords && mode <= CSelectionSet::kRecentMonths) {
            const auto range = SelectRecordsPresenter::CountRange(mode);
            QSpinBox*& box = counts_[mode - CSelectionSet::kRecentRecords];
            box = new QSpinBox(this);
            box->setRange(range.min, range.max);
            box->setValue(counts[mode - CSelectionSet::kRecentRecords]);
            box->setAlignment(Qt::AlignRight);
            box->setMinimumWidth(90);
            grid->addWidget(box, mode, 1);
        }
    }
    fromDate_ = MakeDateEdit(this, QDate(1900, 1, 1), QDate(9999, 12, 31));
    fromTime_ = MakeTimeEdit(this);
    toDate_ = MakeDateEdit(this, QDate(1900, 1, 1), QDate(9999, 12, 31));
    toTime_ = MakeTimeEdit(this);
    QDate date;
    QTime time;
    ToQt(presenter_.from, date, time);
    fromDate_->setDate(date);
    fromTime_->setTime(time);
    ToQt(presenter_.to, date, time);
    toDate_->setDate(date);
    toTime_->setTime(time);
    auto* between = new QGridLayout;
    between->addWidget(new QLabel(tr("From:"), this), 0, 0);
    between->addWidget(fromDate_, 0, 1);
    between->addWidget(fromTime_, 0, 2);
    between->addWidget(new QLabel(tr("To:"), this), 1, 0);
    between->addWidget(toDate_, 1, 1);
    between->addWidget(toTime_, 1, 2);
    between->setContentsMargins(24, 0, 0, 0);
    grid->addLayout(between, 8, 0, 1, 2);
    grid->setColumnStretch(0, 1);

    useInstrument_ = new QCheckBox(tr("&Use instrument's date/time selection commands"), this);
    useInstrument_->setChecked(presenter_.useInstrument);
    useInstrument_->setEnabled(presenter_.UseInstrumentEnabled());

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(useInstrument_);
    layout->addWidget(MakeOkCancel(this));
    modes_->button(presenter_.mode)->setChecked(true);
    connect(modes_, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            UpdateEnabling();
    });
    UpdateEnabling();
    modes_->button(presenter_.mode)->setFocus();
}

void CSelectRecordsDialog::UpdateEnabling() {
    presenter_.mode = modes_->checkedId();
    for (int i = 0; i < 5; ++i)
        counts_[i]->setEnabled(presenter_.CountEnabled(CSelectionSet::kRecentRecords + i));
    for (QWidget* w : {static_cast<QWidget*>(fromDate_), static_cast<QWidget*>(fromTime_),
                       static_cast<QWidget*>(toDate_), static_cast<QWidget*>(toTime_)})
        w->setEnabled(presenter_.DatesEnabled());
}

void CSelectRecordsDialog::Store() {
    presenter_.mode = modes_->checkedId();
    presenter_.records = counts_[0]->value();
    presenter_.hours = counts_[1]->value();
    presenter_.days = counts_[2]->value();
    presenter_.weeks = counts_[3]->value();
    presenter_.months = counts_[4]->value();
    presenter_.from = FromQt(fromDate_->date(), fromTime_->time());
    presenter_.to = FromQt(toDate_->date(), toTime_->time());
    presenter_.useInstrument = useInstrument_->isChecked();
}

void CSelectRecordsDialog::accept() {
    Store();
    if (presenter_.Accept(selection_))
        QDialog::accept();
}

// --- Save As -----------------------------------------------------------------------------------------------

CFileSaveAsDialog::CFileSaveAsDialog(QWidget* parent, const std::string& path) : QDialog(parent) {
    setWindowTitle(tr("Save As"));
    auto* text = new QLabel(
        ToQt(FormatMessage(msg::kFileAlreadyExists, path) + "\n" + FormatMessage(msg::kReplaceOrAppend)),
        this);
    text->setWordWrap(true);
    text->setMinimumWidth(360);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* replace = buttons->addButton(tr("&Replace"), QDialogButtonBox::AcceptRole);
    QPushButton* append = buttons->addButton(tr("&Append"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    replace->setDefault(true);
    connect(replace, &QPushButton::clicked, this, [this] {
        choice_ = ReplaceChoice::kReplace;
        accept();
    });
    connect(append, &QPushButton::clicked, this, [this] {
        choice_ = ReplaceChoice::kAppend;
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
}

ReplaceChoice DialogReplaceQuestion::AskReplaceOrAppend(const std::string& path) {
    CFileSaveAsDialog dialog(parent_, path);
    dialog.exec();
    return dialog.Choice();
}

}  // namespace talven::gui
