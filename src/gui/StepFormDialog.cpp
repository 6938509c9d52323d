#include "gui/StepFormDialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "calibrator/ui/CalibratorWindowMessages.h"
#include "foundation/Messages.h"
#include "gui/QtPlatform.h"

namespace talven::gui {

namespace {

constexpr int kNumberWidth = 110;
constexpr int kMaxListRows = 14;
constexpr const char* kDateFormat = "MM/dd/yyyy HH:mm";

QHBoxLayout* Row(QWidget* container) {
    auto* layout = new QHBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    return layout;
}

int ChoiceIndex(const FormField& field, std::uint32_t id) {
    for (std::size_t i = 0; i < field.choices.size(); ++i) {
        if (field.choices[i].id == id)
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

StepFormDialog::StepFormDialog(CalibratorForm& form, QWidget* parent) : QDialog(parent), form_(form) {
    setWindowTitle(ToQt(form.Title()));
    auto* outer = new QVBoxLayout(this);
    QFormLayout* section = nullptr;
    std::string group = "\x01";  // no section yet
    for (const FormField& field : form.Fields()) {
        if (section == nullptr || field.group != group) {
            group = field.group;
            section = new QFormLayout;
            section->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
            section->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            if (group.empty()) {
                outer->addLayout(section);
            } else {
                auto* box = new QGroupBox(ToQt(group), this);
                box->setLayout(section);
                outer->addWidget(box);
            }
        }
        Bound& bound = bound_[field.key];
        QWidget* row = MakeField(field, bound);
        bound.row = row;
        const bool ownText = field.kind == FieldKind::Check || field.kind == FieldKind::Button;
        if (field.label.empty() || ownText) {
            section->addRow(row);
        } else {
            bound.label = new QLabel(ToQt(field.label), this);
            bound.label->setBuddy(bound.editor);
            section->addRow(bound.label, row);
        }
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &StepFormDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &StepFormDialog::reject);
    outer->addSpacing(6);
    outer->addWidget(buttons);
    outer->setSizeConstraint(QLayout::SetFixedSize);
    Refresh(true);
    if (!form.Fields().empty()) {
        if (QWidget* first = bound_[form.Fields().front().key].editor)
            first->setFocus();
    }
}

QWidget* StepFormDialog::MakeField(const FormField& field, Bound& bound) {
    switch (field.kind) {
        case FieldKind::Number:
            return MakeNumber(field, bound);
        case FieldKind::Choice:
            return MakeChoice(field, bound);
        case FieldKind::Bits:
            return MakeBits(field, bound);
        case FieldKind::Check: {
            auto* box = new QCheckBox(ToQt(field.label), this);
            connect(box, &QCheckBox::toggled, this, [this, key = field.key](bool on) {
                form_.SetChecked(key, on);
                Changed();
            });
            bound.editor = box;
            return box;
        }
        case FieldKind::Text: {
            auto* edit = new QLineEdit(this);
            // A longer text already held is shown whole; the form refuses it on OK.
            const std::size_t held = form_.Value(field.key).text.size();
            if (field.maxLength > 0)
                edit->setMaxLength(static_cast<int>(std::max(field.maxLength, held)));
            edit->setMinimumWidth(kNumberWidth * 3 / 2);
            connect(edit, &QLineEdit::textEdited, this, [this, key = field.key](const QString& text) {
                form_.SetText(key, FromQt(text));
                Changed();
            });
            bound.editor = edit;
            return edit;
        }
        case FieldKind::DateTime: {
            auto* edit = new QDateTimeEdit(this);
            edit->setDisplayFormat(kDateFormat);
            edit->setCalendarPopup(true);
            edit->setDateTimeRange(QDateTime(QDate(1970, 1, 1), QTime(0, 0)),
                                   QDateTime(QDate(2105, 12, 31), QTime(23, 59)));
            connect(edit, &QDateTimeEdit::dateTimeChanged, this,
                    [this, key = field.key](const QDateTime& when) {
                        const QDate d = when.date();
                        const QTime t = when.time();
                        form_.SetDate(key, {d.year(), d.month(), d.day(), t.hour(), t.minute()});
                        Changed();
                    });
            bound.editor = edit;
            return edit;
        }
        case FieldKind::Note: {
            auto* label = new QLabel(this);
            label->setTextInteractionFlags(Qt::TextSelectableByMouse);
            return label;
        }
        case FieldKind::Button: {
            auto* container = new QWidget(this);
            auto* layout = Row(container);
            auto* button = new QPushButton(ToQt(field.label), container);
            button->setAutoDefault(false);
            layout->addWidget(button);
            layout->addStretch();
            connect(button, &QPushButton::clicked, this, [this, key = field.key] {
                if (form_.Press(key))
                    Refresh(true);
            });
            bound.editor = button;
            return container;
        }
    }
    return new QWidget(this);
}

QWidget* StepFormDialog::MakeNumber(const FormField& field, Bound& bound) {
    auto* container = new QWidget(this);
    auto* layout = Row(container);
    auto* edit = new QLineEdit(container);
    edit->setFixedWidth(kNumberWidth);
    edit->setAlignment(Qt::AlignRight);
    layout->addWidget(edit);
    bound.suffix = new QLabel(container);
    layout->addWidget(bound.suffix);
    layout->addStretch();
    connect(edit, &QLineEdit::textEdited, this, [this, key = field.key](const QString& text) {
        form_.SetText(key, FromQt(text));
        Changed();
    });
    bound.editor = edit;
    return container;
}

QWidget* StepFormDialog::MakeChoice(const FormField& field, Bound& bound) {
    const std::string key = field.key;
    if (field.style == ChoiceStyle::Radio) {
        auto* container = new QWidget(this);
        auto* layout = new QVBoxLayout(container);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* group = new QButtonGroup(container);
        for (const FieldChoice& choice : field.choices) {
            auto* radio = new QRadioButton(ToQt(choice.text), container);
            group->addButton(radio, static_cast<int>(choice.id));
            layout->addWidget(radio);
            bound.buttons.push_back(radio);
        }
        connect(group, &QButtonGroup::idToggled, this, [this, key](int id, bool on) {
            if (!on || refreshing_)
                return;
            form_.SetChoice(key, static_cast<std::uint32_t>(id));
            Changed();
        });
        bound.editor = bound.buttons.empty() ? container : bound.buttons.front();
        return container;
    }
    if (field.style == ChoiceStyle::List) {
        auto* list = new QListWidget(this);
        for (const FieldChoice& choice : field.choices)
            list->addItem(ToQt(choice.text));
        const int rows = std::min<int>(static_cast<int>(field.choices.size()), kMaxListRows);
        list->setFixedHeight(list->sizeHintForRow(0) * std::max(rows, 1) + 2 * list->frameWidth() + 4);
        list->setMinimumWidth(list->sizeHintForColumn(0) + 40);
        connect(list, &QListWidget::currentRowChanged, this, [this, key, &field](int row) {
            if (refreshing_ || row < 0)
                return;
            form_.SetChoice(key, field.choices[static_cast<std::size_t>(row)].id);
            Changed();
        });
        connect(list, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
        bound.editor = list;
        return list;
    }
    auto* combo = new QComboBox(this);
    for (const FieldChoice& choice : field.choices)
        combo->addItem(ToQt(choice.text), QVariant::fromValue(choice.id));
    combo->setMinimumContentsLength(field.editable ? static_cast<int>(field.maxLength) : 8);
    combo->setMinimumWidth(kNumberWidth);
    if (field.editable) {
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        if (field.maxLength > 0)
            combo->lineEdit()->setMaxLength(static_cast<int>(field.maxLength));
        connect(combo, &QComboBox::currentTextChanged, this, [this, key](const QString& text) {
            if (refreshing_)
                return;
            form_.SetText(key, FromQt(text));
            Changed();
        });
    } else {
        connect(combo, &QComboBox::currentIndexChanged, this, [this, key, combo](int index) {
            if (refreshing_ || index < 0)
                return;
            form_.SetChoice(key, combo->itemData(index).toUInt());
            Changed();
        });
    }
    bound.editor = combo;
    return combo;
}

QWidget* StepFormDialog::MakeBits(const FormField& field, Bound& bound) {
    auto* container = new QWidget(this);
    auto* grid = new QGridLayout(container);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(0);
    bound.enable = new QCheckBox(ToQt(std::string(MessageText(calwin::kEnabled))), container);
    grid->addWidget(bound.enable, 1, 0);
    grid->setColumnMinimumWidth(1, 8);
    const std::string key = field.key;
    auto store = [this, key] {
        if (refreshing_)
            return;
        BinaryValue bits = form_.Value(key).bits;
        const Bound& b = bound_[key];
        bits.enabled = b.enable->isChecked();
        const FormField& f = *form_.Field(key);
        for (int box = 0; box < f.width; ++box)
            bits.SetBit(BitOfBox(f, box), b.buttons[static_cast<std::size_t>(box)]->isChecked());
        form_.SetBits(key, bits);
        Changed();
    };
    connect(bound.enable, &QCheckBox::toggled, this, store);
    for (int box = 0; box < field.width; ++box) {
        auto* number = new QLabel(QString::number(BitOfBox(field, box) + 1), container);
        number->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        grid->addWidget(number, 0, box + 2, Qt::AlignHCenter);
        auto* check = new QCheckBox(container);
        check->setToolTip(number->text());
        grid->addWidget(check, 1, box + 2, Qt::AlignHCenter);
        bound.buttons.push_back(check);
        connect(check, &QCheckBox::toggled, this, store);
    }
    bound.editor = bound.enable;
    return container;
}

void StepFormDialog::ShowValue(const FormField& field, Bound& bound) {
    const FieldValue& value = form_.Value(field.key);
    switch (field.kind) {
        case FieldKind::Number:
        case FieldKind::Text:
            static_cast<QLineEdit*>(bound.editor)->setText(ToQt(value.text));
            break;
        case FieldKind::Check:
            static_cast<QCheckBox*>(bound.editor)->setChecked(value.checked);
            break;
        case FieldKind::DateTime:
            static_cast<QDateTimeEdit*>(bound.editor)
                ->setDateTime(QDateTime(QDate(value.date.year, value.date.month, value.date.day),
                                        QTime(value.date.hour, value.date.minute)));
            break;
        case FieldKind::Bits:
            bound.enable->setChecked(value.bits.enabled);
            for (int box = 0; box < field.width; ++box)
                bound.buttons[static_cast<std::size_t>(box)]->setChecked(
                    value.bits.Bit(BitOfBox(field, box)));
            break;
        case FieldKind::Choice: {
            const int index = ChoiceIndex(field, value.choice);
            if (field.style == ChoiceStyle::Radio) {
                if (index >= 0)
                    bound.buttons[static_cast<std::size_t>(index)]->setChecked(true);
            } else if (field.style == ChoiceStyle::List) {
                static_cast<QListWidget*>(bound.editor)->setCurrentRow(index);
            } else if (field.editable) {
                static_cast<QComboBox*>(bound.editor)->setCurrentText(ToQt(value.text));
            } else {
                static_cast<QComboBox*>(bound.editor)->setCurrentIndex(index);
            }
            break;
        }
        case FieldKind::Note:
        case FieldKind::Button:
            break;
    }
}

void StepFormDialog::Refresh(bool values) {
    refreshing_ = true;
    for (const FormField& field : form_.Fields()) {
        Bound& bound = bound_[field.key];
        if (values) {
            const QSignalBlocker block(bound.editor);
            ShowValue(field, bound);
        }
        const bool enabled = form_.IsEnabled(field.key);
        bound.row->setEnabled(enabled);
        if (bound.label != nullptr)
            bound.label->setEnabled(enabled);
        if (bound.suffix != nullptr)
            bound.suffix->setText(ToQt(form_.SuffixOf(field.key)));
        if (field.kind == FieldKind::Note)
            static_cast<QLabel*>(bound.row)->setText(ToQt(form_.Value(field.key).text));
        if (field.kind == FieldKind::Bits) {
            for (QAbstractButton* box : bound.buttons)
                box->setEnabled(enabled && form_.Value(field.key).bits.enabled);
        }
    }
    refreshing_ = false;
}

void StepFormDialog::Changed() {
    Refresh(false);
}

void StepFormDialog::accept() {
    std::string focus;
    if (form_.Accept(&focus)) {
        QDialog::accept();
        return;
    }
    const auto found = bound_.find(focus);
    if (found == bound_.end() || found->second.editor == nullptr)
        return;
    found->second.editor->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(found->second.editor))
        edit->selectAll();
}

QWidget* StepFormDialog::FieldWidget(const std::string& key) const {
    const auto found = bound_.find(key);
    return found == bound_.end() ? nullptr : found->second.editor;
}

std::vector<QCheckBox*> StepFormDialog::BitBoxes(const std::string& key) const {
    std::vector<QCheckBox*> boxes;
    const auto found = bound_.find(key);
    if (found != bound_.end()) {
        for (QAbstractButton* b : found->second.buttons)
            boxes.push_back(static_cast<QCheckBox*>(b));
    }
    return boxes;
}

bool QtFormRunner::Run(CalibratorForm& form) {
    StepFormDialog dialog(form, QApplication::activeWindow());
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace talven::gui
